#pragma once

#include <QMainWindow>

#include <memory>

class LienzoPaginas;
class QPrinter;
class QSpinBox;
class Reporte;

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
    Reporte& Listado() const { return *reporte_; }

    // Both show a message box when the listing cannot be written.
    bool GuardarPdf(const QString& ruta);
    bool ImprimirEn(QPrinter& impresora, qint64 desde, qint64 hasta);

private slots:
    void Imprimir();
    void PreguntarPdf();
    void PaginaCambiada(qint64 k);

private:
    void CrearBarra();

    std::unique_ptr<Reporte> reporte_;
    LienzoPaginas* lienzo_;
    QSpinBox* numeroPagina_ = nullptr;
};
