#include "app/modGral.h"
#include "platform/gui/Aplicacion.h"
#include "run/ModoLotes.h"

int main(int argc, char** argv) {
    const bool lotes = EsModoLotes(argc);
    // Batch mode shows no window and needs no display.
    if (lotes) {
        SilenciarAvisosDeQt();
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    Aplicacion aplicacion(argc, argv);
    if (lotes)
        return EjecutarModoLotes(Aplicacion::arguments());
    InstalarCajasDeMensaje();
    return EjecutarPrograma();
}
