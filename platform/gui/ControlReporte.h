#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>

class QWidget;

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

    int PrintReport();
    int16_t LastErrorNumber() const;
    QString LastErrorString() const;

    static constexpr int16_t ErrorArchivoReporte = 20507;
};
