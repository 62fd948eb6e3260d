#include "app/modGral.h"
#include "platform/gui/Aplicacion.h"
#include "platform/proceso/CarpetaPrivada.h"
#include "platform/proceso/Mensajes.h"
#include "platform/proceso/Rutas.h"
#include "run/LineaOrdenes.h"
#include "run/ModoLotes.h"
#include "run/Programa.h"

int main(int argc, char** argv) {
    CarpetaPrivada::Preparar();
    QCoreApplication::setApplicationName(TituloAplicacion);
    QCoreApplication::setApplicationVersion(QStringLiteral(COBRANZIA_VERSION));
    QStringList argumentos;
    for (int i = 1; i < argc; ++i)
        argumentos << RutaDesdeBytes(argv[i]);
    const LineaOrdenes linea = LeerLineaOrdenes(argumentos);

    if (linea.modo != LineaOrdenes::Modo::Ventana) {
        SilenciarAvisosDeQt();
        const auto aplicacion = CrearAplicacionLotes(argc, argv, linea);
        Programa programa(QCoreApplication::applicationDirPath());
        return EjecutarModoLotes(programa, linea);
    }
    FijarLocaleDelSistema();
    const auto aplicacion = CrearAplicacion(argc, argv);
    InstalarCajasDeMensaje();
    Programa programa(QCoreApplication::applicationDirPath());
    return EjecutarPrograma(programa, linea.datos, linea.servidor, linea.archivo);
}
