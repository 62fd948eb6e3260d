#include "run/Eleccion.h"

#include "platform/archivos/ArchivoIni.h"
#include "platform/archivos/CarpetaDatos.h"
#include "platform/archivos/TextosArchivos.h"
#include "platform/proceso/ErrorEjecucion.h"
#include "platform/proceso/Rutas.h"
#include "run/Programa.h"
#include "util/Ini.h"

#include <QDir>

#include <sys/stat.h>

namespace {

// An environment variable with its bytes: a path in it need not be UTF-8.
QString Variable(const char* nombre) {
    return RutaDesdeBytes(qgetenv(nombre));
}

QString CarpetaPredeterminada() {
    QString xdg = Variable("XDG_DATA_HOME");
    if (!QDir::isAbsolutePath(xdg))
        xdg = CarpetaPersonal() + QStringLiteral("/.local/share");
    return QDir::cleanPath(xdg + QStringLiteral("/cobranzia"));
}

// The server that a settings file names.
QString ServidorDe(const QString& archivo) {
    const QString motivo = ::ArchivoIni(archivo).Motivo();
    if (!motivo.isEmpty())
        throw ErrorEjecucion(Errores::AccesoRuta,
                             TextosArchivos::ConfiguracionIlegible.arg(archivo, motivo));
    return LeerIni(archivo, TextosPrograma::SeccionBase, TextosPrograma::ClaveServidor, QString());
}

} // namespace

QString ElegirCarpetaDatos(const QString& carpetaPrograma, const QString& elegida,
                           const QString& base, bool crear) {
    const QString nombrada = elegida.isEmpty() ? Variable("COBRANZIA_DATOS") : elegida;
    QString carpeta;
    if (!nombrada.isEmpty())
        carpeta = RutaAbsoluta(nombrada);
    else if (EsArchivoOrdinario(carpetaPrograma + u'/' + base))
        carpeta = carpetaPrograma;
    // Only the usual folder is made with its parents.
    const bool porDefecto = carpeta.isEmpty();
    if (porDefecto)
        carpeta = CarpetaPredeterminada();
    struct stat info {};
    if (crear || lstat(RutaABytes(carpeta).constData(), &info) == 0)
        PrepararCarpetaDatos(carpeta, porDefecto, base);
    return carpeta;
}

QString ElegirServidor(const QString& opcion, const QString& sistema, const QString& archivoIni) {
    const QString elegidos[] = {
        ServidorDe(sistema),
        ServidorDe(archivoIni),
        qEnvironmentVariable("COBRANZIA_SERVIDOR"),
        opcion,
    };
    QString servidor;
    for (const QString& elegido : elegidos)
        if (!elegido.trimmed().isEmpty())
            servidor = elegido.trimmed();
    return servidor;
}
