#include "platform/gui/ControlReporteVentana.h"

#include "platform/gui/VistaPrevia.h"
#include "platform/reporte/Reporte.h"

#include <QPrinter>
#include <QWidget>

namespace {
// The selection a preview lists, kept on the preview.
constexpr char kPropiedadSeleccion[] = "cobranzia_seleccion";
} // namespace

ControlReporteVentana::ControlReporteVentana(QWidget* ventana)
    : ControlReporte(ventana)
    , ventana_(ventana) {}

ControlReporteVentana::~ControlReporteVentana() {
    for (const QPointer<VistaPrevia>& vista : std::as_const(vistas_))
        delete vista.data();
}

QList<VistaPrevia*> ControlReporteVentana::Vistas() const {
    QList<VistaPrevia*> abiertas;
    for (const QPointer<VistaPrevia>& vista : vistas_)
        if (vista)
            abiertas << vista.data();
    return abiertas;
}

void ControlReporteVentana::Mostrar(std::unique_ptr<Reporte> reporte, int destino) {
    if (destino == DestinoImpresora) {
        QPrinter impresora(QPrinter::HighResolution);
        impresora.setFullPage(true);
        impresora.setDocName(WindowTitle());
        reporte->Volcar(impresora, 0, reporte->TotalPaginas() - 1);
        return;
    }
    // A file run again has replaced its rows: an open listing of it would page
    // through rows that are gone, so the new listing takes its place.
    for (const QPointer<VistaPrevia>& anterior : std::as_const(vistas_))
        if (anterior && anterior->property(kPropiedadSeleccion).toString() == SelectionFormula())
            anterior->close();
    auto* vista = new VistaPrevia(std::move(reporte), ventana_);
    vista->setWindowTitle(WindowTitle());
    vista->EstablecerDestinoPdf(destinoPdf);
    vista->setProperty(kPropiedadSeleccion, SelectionFormula());
    vistas_.removeAll(nullptr);
    vistas_ << vista;
    vista->Mostrar(WindowState());
}
