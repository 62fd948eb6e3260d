#include "platform/reporte/ControlReporte.h"

#include "platform/proceso/ErrorEjecucion.h"
#include "platform/reporte/LectorFormulas.h"
#include "platform/reporte/Reporte.h"
#include "platform/reporte/TextosReporte.h"

ControlReporte::ControlReporte(QObject* padre)
    : QObject(padre) {}

ControlReporte::~ControlReporte() = default;

void ControlReporte::SetConnect(const QString& valor) {
    connect_ = valor;
}
void ControlReporte::SetReportFileName(const QString& valor) {
    reportFileName_ = valor;
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

void ControlReporte::SetFormulas(int indice, const QString& valor) {
    if (indice < 0)
        throw ErrorSistema(Errores::LlamadaNoValida);
    if (formulas_.size() <= indice)
        formulas_.resize(indice + 1);
    formulas_[indice] = valor;
}

std::unique_ptr<Reporte> ControlReporte::Preparar() const {
    Plantilla plantilla = LeerPlantilla(reportFileName_);
    QList<Formula> formulas;
    for (const QString& texto : formulas_)
        if (!texto.trimmed().isEmpty())
            formulas << LeerFormula(texto);
    const Seleccion seleccion = LeerSeleccion(selectionFormula_);
    return std::make_unique<Reporte>(std::move(plantilla), connect_, seleccion, formulas, run_);
}

QStringList ControlReporte::Ajustes() const {
    return QStringList{connect_, reportFileName_, selectionFormula_, run_} + formulas_;
}

void ControlReporte::Anticipar() {
    anticipado_.reset();
    try {
        std::unique_ptr<Reporte> reporte = Preparar();
        if (reporte->TotalPaginas() > 0)
            reporte->Pagina(0);
        anticipado_ = std::move(reporte);
        ajustesAnticipado_ = Ajustes();
    } catch (const ErrorEjecucion&) {
        // PrintReport prepares it again and reports the failure then.
    }
}

void ControlReporte::Mostrar(std::unique_ptr<Reporte>, int destino) {
    throw ErrorEjecucion(ErroresReporte::DestinoNoValido,
                         TextosReporte::DestinoNoValido.arg(destino));
}

void ControlReporte::Producir(std::unique_ptr<Reporte> reporte) {
    switch (destination_) {
    case DestinoVentana:
    case DestinoImpresora:
        Mostrar(std::move(reporte), destination_);
        break;
    case DestinoArchivo:
        if (printFileName_.isEmpty())
            throw ErrorEjecucion(ErroresReporte::Salida, TextosReporte::SinArchivoPdf);
        reporte->ExportarPdf(printFileName_);
        break;
    default:
        throw ErrorEjecucion(ErroresReporte::DestinoNoValido,
                             TextosReporte::DestinoNoValido.arg(destination_));
    }
}

int ControlReporte::PrintReport() {
    lastErrorNumber_ = 0;
    lastErrorString_.clear();
    std::unique_ptr<Reporte> anticipado = std::move(anticipado_);
    try {
        Producir(anticipado && ajustesAnticipado_ == Ajustes() ? std::move(anticipado)
                                                               : Preparar());
    } catch (const ErrorEjecucion& e) {
        // The engine reports its failures through LastErrorNumber, never by throwing.
        lastErrorNumber_ = int16_t(e.Numero());
        lastErrorString_ = e.Descripcion();
    }
    return lastErrorNumber_ == 0 ? 1 : 0;
}
