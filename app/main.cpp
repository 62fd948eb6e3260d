#include "app/modGral.h"
#include "platform/Mensajes.h"
#include "platform/gui/Aplicacion.h"
#include "run/ModoLotes.h"
#include "run/Programa.h"

int main(int argc, char** argv) {
    QCoreApplication::setApplicationName(TituloAplicacion);
    QCoreApplication::setApplicationVersion(QStringLiteral(COBRANZIA_VERSION));
    if (EsModoLotes(argc, argv)) {
        SilenciarAvisosDeQt();
        const auto aplicacion = CrearAplicacionLotes(argc, argv);
        Programa programa(QCoreApplication::applicationDirPath(),
                          QCoreApplication::applicationDirPath());
        return EjecutarModoLotes(programa, QCoreApplication::arguments());
    }
    Aplicacion aplicacion(argc, argv);
    InstalarCajasDeMensaje();
    Programa programa(QCoreApplication::applicationDirPath(),
                      QCoreApplication::applicationDirPath());
    return EjecutarPrograma(programa);
}
