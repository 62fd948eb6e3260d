#include "app/frmPrincipal.h"

// Placeholder until the listing lands.
void frmPrincipal::ImprimirListado(QString&, QString&) {}
