#include "platform/gui/ControlReporte.h"

#include <QWidget>

// Placeholder until the report engine lands.
ControlReporte::ControlReporte(QWidget* ventana)
    : QObject(ventana) {}
ControlReporte::~ControlReporte() = default;
void ControlReporte::SetConnect(const QString&) {}
void ControlReporte::SetReportFileName(const QString&) {}
QString ControlReporte::ReportFileName() const {
    return {};
}
void ControlReporte::SetFormulas(int, const QString&) {}
void ControlReporte::SetDestination(int) {}
void ControlReporte::SetPrintFileName(const QString&) {}
void ControlReporte::SetSelectionFormula(const QString&) {}
void ControlReporte::SetWindowTitle(const QString&) {}
void ControlReporte::SetWindowState(int) {}
int ControlReporte::PrintReport() {
    return 0;
}
int16_t ControlReporte::LastErrorNumber() const {
    return 0;
}
QString ControlReporte::LastErrorString() const {
    return {};
}
