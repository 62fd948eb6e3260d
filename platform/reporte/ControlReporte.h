#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>

class Reporte;

// The report control: the properties a listing sets, PrintReport, and the last
// error as a number and a text. This control writes PDF files (destination 2);
// the window layer's control adds the preview and the printer.
class ControlReporte : public QObject {
    Q_OBJECT
public:
    explicit ControlReporte(QObject* padre = nullptr);
    ~ControlReporte() override;

    void SetConnect(const QString& valor);
    void SetReportFileName(const QString& valor);
    QString ReportFileName() const { return reportFileName_; }
    void SetFormulas(int indice, const QString& valor);
    void SetDestination(int valor);              // 0 preview window, 1 printer, 2 file (PDF)
    void SetPrintFileName(const QString& valor); // with destination 2
    void SetSelectionFormula(const QString& valor);
    void SetWindowTitle(const QString& valor);
    void SetWindowState(int valor); // 2 maximised
    // The run whose rows the listing shows; empty: whatever rows are stored.
    void FijarCorrida(const QString& valor) { run_ = valor; }

    // Produces the listing at the destination; with the preview it returns as
    // soon as the window is shown. Returns 0 on failure, as LastErrorNumber tells.
    int PrintReport();
    // Reads the listing's rows and first page now, so that a PrintReport with
    // the same settings shows them at once. A failure here is left for
    // PrintReport to meet and report.
    void Anticipar();
    int16_t LastErrorNumber() const { return lastErrorNumber_; }
    QString LastErrorString() const { return lastErrorString_; }

    static constexpr int16_t ErrorArchivoReporte = 20507;
    static constexpr int DestinoVentana = 0;
    static constexpr int DestinoImpresora = 1;
    static constexpr int DestinoArchivo = 2;

protected:
    // Destinations 0 and 1; without a window layer they are not valid.
    virtual void Mostrar(std::unique_ptr<Reporte> reporte, int destino);

    const QString& SelectionFormula() const { return selectionFormula_; }
    const QString& WindowTitle() const { return windowTitle_; }
    int WindowState() const { return windowState_; }

private:
    std::unique_ptr<Reporte> Preparar() const;
    // What the prepared listing depends on.
    QStringList Ajustes() const;
    void Producir(std::unique_ptr<Reporte> reporte);

    QString connect_;
    QString reportFileName_;
    QStringList formulas_;
    int destination_ = DestinoVentana;
    QString printFileName_;
    QString selectionFormula_;
    QString windowTitle_;
    int windowState_ = 0;
    QString run_;
    std::unique_ptr<Reporte> anticipado_;
    QStringList ajustesAnticipado_;
    int16_t lastErrorNumber_ = 0;
    QString lastErrorString_;
};
