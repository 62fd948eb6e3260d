#include "run/ListadoPdf.h"

#include "platform/ErrorEjecucion.h"
#include "platform/gui/ControlReporte.h"
#include "run/Listado.h"

void EscribirListadoPdf(const QString& strArchivo, const QString& strHash, const QString& salida) {
    ControlReporte rpt(nullptr);
    PrepararListado(rpt, strArchivo, strHash, TextosListado::DestinoArchivo);
    rpt.SetPrintFileName(salida);
    rpt.PrintReport();
    if (rpt.LastErrorNumber() != 0)
        throw ErrorEjecucion(rpt.LastErrorNumber(), rpt.LastErrorString());
}
