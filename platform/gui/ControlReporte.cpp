#include "platform/gui/ControlReporte.h"

#include "platform/ErrorEjecucion.h"
#include "platform/gui/VistaPrevia.h"
#include "platform/reporte/LectorFormulas.h"
#include "platform/reporte/Reporte.h"
#include "platform/reporte/TextosReporte.h"

#include <QApplication>
#include <QPrinter>
#include <QWidget>

namespace {
// The selection a preview lists, kept on the preview.
constexpr char kPropiedadSeleccion[] = "cobranzia_seleccion";
} // namespace

ControlReporte::ControlReporte(QWidget* ventana)
    : QObject(ventana)
    , ventana_(ventana) {}

// The previews go with the window that carries the control.
ControlReporte::~ControlReporte() {
    for (const QPointer<VistaPrevia>& vista : std::as_const(vistas_))
        delete vista.data();
}

void ControlReporte::SetConnect(const QString& valor) {
    connect_ = valor;
}
void ControlReporte::SetReportFileName(const QString& valor) {
    reportFileName_ = valor;
}
QString ControlReporte::ReportFileName() const {
    return reportFileName_;
}
void ControlReporte::SetDestination(int valor) {
    destination_ = valor;
}
void ControlReporte::SetPrintFileName(const QString& valor) {
    printFileName_ = valor;
}
void ControlReporte::SetSelectionFormula(const QString& valor) {
    selectionFormula_ = valor;
}
void ControlReporte::SetWindowTitle(const QString& valor) {
    windowTitle_ = valor;
}
void ControlReporte::SetWindowState(int valor) {
    windowState_ = valor;
}
int16_t ControlReporte::LastErrorNumber() const {
    return lastErrorNumber_;
}
QString ControlReporte::LastErrorString() const {
    return lastErrorString_;
}

void ControlReporte::SetFormulas(int indice, const QString& valor) {
    if (indice < 0)
        throw ErrorSistema(Errores::LlamadaNoValida);
    if (formulas_.size() <= indice)
        formulas_.resize(indice + 1);
    formulas_[indice] = valor;
}

QList<VistaPrevia*> ControlReporte::Vistas() const {
    QList<VistaPrevia*> abiertas;
    for (const QPointer<VistaPrevia>& vista : vistas_)
        if (vista)
            abiertas << vista.data();
    return abiertas;
}

std::unique_ptr<Reporte> ControlReporte::Preparar() const {
    Plantilla plantilla = LeerPlantilla(reportFileName_);
    QList<Formula> formulas;
    for (const QString& texto : formulas_)
        if (!texto.trimmed().isEmpty())
            formulas << LeerFormula(texto);
    const Seleccion seleccion = LeerSeleccion(selectionFormula_);
    return std::make_unique<Reporte>(std::move(plantilla), connect_, seleccion, formulas);
}

void ControlReporte::Producir(std::unique_ptr<Reporte> reporte) {
    switch (destination_) {
    case DestinoVentana: {
        // Without a window system (batch mode) only the file destination works.
        if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
            throw ErrorEjecucion(
                ErroresReporte::DestinoNoValido,
                QString::fromUtf8(TextosReporte::DestinoNoValido).arg(destination_));
        // A file run again has replaced its rows: an open listing of it would
        // page through rows that are gone, so the new listing takes its place.
        for (const QPointer<VistaPrevia>& anterior : std::as_const(vistas_))
            if (anterior && anterior->property(kPropiedadSeleccion).toString() == selectionFormula_)
                anterior->close();
        auto* vista = new VistaPrevia(std::move(reporte), ventana_);
        vista->setWindowTitle(windowTitle_);
        vista->setProperty(kPropiedadSeleccion, selectionFormula_);
        vistas_.removeAll(nullptr);
        vistas_ << vista;
        vista->Mostrar(windowState_);
        break;
    }
    case DestinoImpresora: {
        QPrinter impresora(QPrinter::HighResolution);
        impresora.setFullPage(true);
        impresora.setDocName(windowTitle_);
        reporte->Volcar(impresora, 0, reporte->TotalPaginas() - 1);
        break;
    }
    case DestinoArchivo:
        if (printFileName_.isEmpty())
            throw ErrorEjecucion(ErroresReporte::Salida,
                                 QString::fromUtf8(TextosReporte::SinArchivoPdf));
        reporte->ExportarPdf(printFileName_);
        break;
    default:
        throw ErrorEjecucion(ErroresReporte::DestinoNoValido,
                             QString::fromUtf8(TextosReporte::DestinoNoValido).arg(destination_));
    }
}

int ControlReporte::PrintReport() {
    lastErrorNumber_ = 0;
    lastErrorString_.clear();
    try {
        Producir(Preparar());
    } catch (const ErrorEjecucion& e) {
        // The engine reports its failures through LastErrorNumber, never by throwing.
        lastErrorNumber_ = int16_t(e.Numero());
        lastErrorString_ = e.Descripcion();
    }
    return lastErrorNumber_ == 0 ? 1 : 0;
}
