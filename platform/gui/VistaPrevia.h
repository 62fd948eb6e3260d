#pragma once

#include "platform/reporte/Reporte.h"

#include <QMainWindow>

#include <functional>
#include <memory>

class LienzoPaginas;
class QAction;
class QKeySequence;
class QPrinter;
class QSpinBox;
class QToolBar;

// The listing's preview window: the pages, a toolbar to turn and zoom them,
// print them and save them as PDF. It owns its listing and deletes itself
// when closed.
class VistaPrevia : public QMainWindow {
    Q_OBJECT
public:
    VistaPrevia(std::unique_ptr<Reporte> reporte, QWidget* padre);
    ~VistaPrevia() override;

    // 0 normal, 1 minimised, 2 maximised.
    void Mostrar(int estado);

    LienzoPaginas* Lienzo() const { return lienzo_; }
    // The listing's control code, empty when its template carries none.
    const QString& Codigo() const { return codigo_; }
    Reporte& Listado() const { return *reporte_; }

    // Both show a message box when the listing cannot be written, and return
    // false then and when the operator stops them.
    bool GuardarPdf(const QString& ruta);
    bool ImprimirEn(QPrinter& impresora, qint64 desde, qint64 hasta);

    // Where "Guardar como PDF" starts, and who keeps the folder of a PDF saved.
    struct DestinoPdf {
        QString sugerido;
        std::function<void(const QString& carpeta)> recordar;
    };
    void EstablecerDestinoPdf(DestinoPdf destino) { destinoPdf_ = std::move(destino); }

    // Tests answer the print dialog instead of a person: the hook receives the
    // printer as the dialog would hand it over and returns whether to print.
    using RespuestaImpresion = std::function<bool(QPrinter& impresora)>;
    static void EstablecerRespuestaImpresion(RespuestaImpresion respuesta);

protected:
    void changeEvent(QEvent* evento) override;

private slots:
    void Imprimir();
    void PreguntarPdf();
    void PaginaCambiada(qint64 k);
    void CopiarCodigo();

private:
    void CrearBarra();
    void CrearNavegacion(QToolBar* barra);
    void MostrarCodigo();
    QAction* Accion(QToolBar* barra, const char* icono, const QString& texto,
                    const QKeySequence& tecla);
    // The bar's icons, drawn for the bar's palette.
    void PonerIconos();
    bool Volcando(const QString& titulo, const QString& texto, qint64 paginas,
                  const std::function<bool(const Reporte::Avance&)>& trabajo);

    std::unique_ptr<Reporte> reporte_;
    LienzoPaginas* lienzo_;
    QSpinBox* numeroPagina_ = nullptr;
    QString codigo_;
    DestinoPdf destinoPdf_;
};
