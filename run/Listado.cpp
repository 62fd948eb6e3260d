#include "run/Listado.h"

#include "platform/ErrorEjecucion.h"
#include "platform/LiteralSQL.h"
#include "platform/reporte/ControlReporte.h"
#include "run/Programa.h"
#include "util/Recorte.h"

QString NombreGuardado(const QString& strArchivo) {
    return RecortarEspacios(strArchivo).toString();
}

void PrepararListado(ControlReporte& rpt, const Programa& programa, const QString& strArchivo,
                     const QString& strHash, int destino) {
    // The rows are stored under the trimmed name; apostrophes are doubled
    // so that a name holding one still reads as one literal.
    const QString strSeleccion =
        TextosListado::Seleccion + CitarLiteral(NombreGuardado(strArchivo));
    rpt.SetConnect(TextosListado::Conexion);
    rpt.SetReportFileName(programa.PlantillaListado());
    rpt.SetFormulas(0, TextosListado::FormulaArchivo + CitarLiteral(strArchivo));
    rpt.SetFormulas(1, TextosListado::FormulaHash + CitarLiteral(strHash));
    rpt.SetDestination(destino);
    rpt.SetSelectionFormula(strSeleccion);
    rpt.SetWindowTitle(TextosListado::TituloVentana);
    rpt.SetWindowState(TextosListado::VentanaMaximizada);
}

void EscribirListadoPdf(const Programa& programa, const QString& strArchivo, const QString& strHash,
                        const QString& salida) {
    ControlReporte rpt;
    PrepararListado(rpt, programa, strArchivo, strHash, TextosListado::DestinoArchivo);
    rpt.SetPrintFileName(salida);
    rpt.PrintReport();
    if (rpt.LastErrorNumber() != 0)
        throw ErrorEjecucion(rpt.LastErrorNumber(), rpt.LastErrorString());
}
