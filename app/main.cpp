#include "app/modGral.h"
#include "platform/gui/Aplicacion.h"

int main(int argc, char** argv) {
    Aplicacion aplicacion(argc, argv);
    InstalarCajasDeMensaje();
    return EjecutarPrograma();
}
