#include "app/modGral.h"
#include "platform/ErrorEjecucion.h"
#include "platform/gui/Aplicacion.h"

int main(int argc, char** argv)
{
    Aplicacion aplicacion(argc, argv);
    InstalarCajasDeMensaje();
    try {
        if (!Main())
            return 0;
    } catch (const ErrorEjecucion& e) {
        ReporteErrorPredeterminado(e);
        TerminarPrograma();
        return EstadoErrorNoControlado;
    }
    const int estado = Aplicacion::exec();
    TerminarPrograma();
    return estado;
}
