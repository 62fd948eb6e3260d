#include "run/ListadoPdf.h"
#include "platform/ErrorEjecucion.h"
void EscribirListadoPdf(const QString&, const QString&, const QString&) {
    throw ErrorSistema(5);
}
