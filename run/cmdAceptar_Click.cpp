#include "app/frmPrincipal.h"

// Placeholder until the control-code run lands.
void frmPrincipal::cmdAceptar_Click() {}
