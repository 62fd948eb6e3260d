#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>

class QWidget;
class Reporte;
class VistaPrevia;

// The report control placed on the main window: the properties the listing
// sets, PrintReport, and the last error as a number and a text.
class ControlReporte : public QObject {
    Q_OBJECT
public:
    explicit ControlReporte(QWidget* ventana);
    ~ControlReporte() override;

    void SetConnect(const QString& valor);
    void SetReportFileName(const QString& valor);
    QString ReportFileName() const;
    void SetFormulas(int indice, const QString& valor);
    void SetDestination(int valor);              // 0 preview window, 1 printer, 2 file (PDF)
    void SetPrintFileName(const QString& valor); // with destination 2
    void SetSelectionFormula(const QString& valor);
    void SetWindowTitle(const QString& valor);
    void SetWindowState(int valor); // 2 maximised

    // Produces the listing at the destination; with the preview it returns as
    // soon as the window is shown. Returns 0 on failure, as LastErrorNumber tells.
    int PrintReport();
    int16_t LastErrorNumber() const;
    QString LastErrorString() const;

    // The preview windows this control opened and that are still open.
    QList<VistaPrevia*> Vistas() const;

    static constexpr int16_t ErrorArchivoReporte = 20507;
    static constexpr int DestinoVentana = 0;
    static constexpr int DestinoImpresora = 1;
    static constexpr int DestinoArchivo = 2;

private:
    std::unique_ptr<Reporte> Preparar() const;
    void Producir(std::unique_ptr<Reporte> reporte);

    QWidget* ventana_;
    QString connect_;
    QString reportFileName_;
    QStringList formulas_;
    int destination_ = DestinoVentana;
    QString printFileName_;
    QString selectionFormula_;
    QString windowTitle_;
    int windowState_ = 0;
    int16_t lastErrorNumber_ = 0;
    QString lastErrorString_;
    QList<QPointer<VistaPrevia>> vistas_;
};
