#include "platform/base/ArchivosPostgres.h"

#include "platform/base/Manijas.h"
#include "platform/base/TextosBase.h"
#include "platform/proceso/Descriptor.h"
#include "platform/proceso/ErrorEjecucion.h"
#include "platform/proceso/Rutas.h"
#include "platform/proceso/TextoVisible.h"

#include <QFile>

#include <libpq-fe.h>

#include <cstdlib>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// Debian's libpq looks here when PGSYSCONFDIR is unset.
constexpr char kConfiguracionSistema[] = "/etc/postgresql-common";
// A service file longer than this is not searched for its entry.
constexpr qint64 kMaximoServicios = 1 << 20;

[[noreturn]] void Fallar(const QString& texto) {
    throw ErrorEjecucion(Errores::BaseDatos, texto);
}

// The home folder as libpq finds it: $HOME, else the password database's.
QByteArray CarpetaDeLibpq() {
    if (QByteArray casa = qgetenv("HOME"); !casa.isEmpty())
        return casa;
    const passwd* usuario = ::getpwuid(::geteuid());
    return usuario && usuario->pw_dir ? QByteArray(usuario->pw_dir) : QByteArray();
}

// Refuses a path that names something other than a regular file or /dev/null;
// a missing one is libpq's to report or to skip.
void ComprobarOrdinario(const char* ajuste, const QByteArray& ruta) {
    struct stat info {};
    if (ruta.isEmpty() || ::stat(ruta.constData(), &info) != 0 || S_ISREG(info.st_mode) ||
        (S_ISCHR(info.st_mode) && info.st_rdev == makedev(1, 3)))
        return;
    const QString& clase = S_ISFIFO(info.st_mode)   ? TextosBase::EsFifo
                           : S_ISDIR(info.st_mode)  ? TextosBase::EsCarpeta
                           : S_ISSOCK(info.st_mode) ? TextosBase::EsSocket
                                                    : TextosBase::EsDispositivo;
    Fallar(TextosBase::ArchivoNoOrdinario.arg(QLatin1String(ajuste),
                                              TextoVisible(RutaDesdeBytes(ruta)), clase));
}

// The user's service file and the system's, with the setting that names each.
struct ArchivoServicio {
    const char* ajuste;
    QByteArray ruta;
};

QList<ArchivoServicio> ArchivosServicio() {
    QList<ArchivoServicio> archivos;
    if (const char* propio = std::getenv("PGSERVICEFILE"))
        archivos << ArchivoServicio{"PGSERVICEFILE", propio};
    else if (const QByteArray casa = CarpetaDeLibpq(); !casa.isEmpty())
        archivos << ArchivoServicio{"~/.pg_service.conf", casa + "/.pg_service.conf"};
    const char* sistema = std::getenv("PGSYSCONFDIR");
    archivos << ArchivoServicio{
        "PGSYSCONFDIR", QByteArray(sistema ? sistema : kConfiguracionSistema) + "/pg_service.conf"};
    return archivos;
}

// Whether the regular file holds the entry "[servicio]".
bool TieneEntrada(const QByteArray& ruta, const QByteArray& servicio) {
    Descriptor fd(::open(ruta.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    QFile archivo;
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        !archivo.open(fd.get(), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return false;
    fd.release();
    const QByteArray cabecera = '[' + servicio + ']';
    while (!archivo.atEnd() && archivo.pos() < kMaximoServicios)
        if (archivo.readLine(kMaximoServicios).trimmed() == cabecera)
            return true;
    return false;
}

// A setting that the connection string gives, empty when none.
QByteArray Valor(const QByteArray& cadena, const char* clave) {
    const OpcionesPostgres opciones(PQconninfoParse(cadena.constData(), nullptr));
    return ValorOpcion(opciones.get(), clave);
}

// The service that the string names, else PGSERVICE's.
QByteArray ServicioNombrado(const QByteArray& cadena) {
    const QByteArray servicio = Valor(cadena, "service");
    return servicio.isEmpty() ? qgetenv("PGSERVICE") : servicio;
}

// libpq takes a service's settings from the first file that holds its entry.
void ComprobarClaveDeServicio(const QByteArray& servicio) {
    for (const ArchivoServicio& archivo : ArchivosServicio()) {
        if (!TieneEntrada(archivo.ruta, servicio))
            continue;
        struct stat info {};
        if (::stat(archivo.ruta.constData(), &info) == 0 && (info.st_mode & 077) != 0)
            Fallar(TextosBase::ServicioLegible.arg(TextoVisible(RutaDesdeBytes(archivo.ruta)),
                                                   TextoVisible(QString::fromUtf8(servicio))));
        return;
    }
}

} // namespace

void ComprobarAntesDeIniciar(const QByteArray& cadena) {
    if (!ServicioNombrado(cadena).isEmpty())
        for (const ArchivoServicio& archivo : ArchivosServicio())
            ComprobarOrdinario(archivo.ajuste, archivo.ruta);
    // libpq only warns of a password file that is not a regular file, on standard error.
    QByteArray claves = Valor(cadena, "passfile");
    if (claves.isEmpty())
        claves = qgetenv("PGPASSFILE");
    if (const QByteArray casa = CarpetaDeLibpq(); claves.isEmpty() && !casa.isEmpty())
        claves = casa + "/.pgpass";
    ComprobarOrdinario("passfile", claves);
}

void ComprobarArchivosConexion(pg_conn* conexion, const QByteArray& cadena) {
    // Each TLS file and the name libpq gives it in ~/.postgresql when unset.
    static constexpr struct {
        const char* ajuste;
        const char* omision;
    } kArchivos[] = {{"sslrootcert", "root.crt"},
                     {"sslcert", "postgresql.crt"},
                     {"sslkey", "postgresql.key"},
                     {"sslcrl", "root.crl"},
                     {"passfile", nullptr}};
    const OpcionesPostgres opciones(PQconninfo(conexion));
    const QByteArray casa = CarpetaDeLibpq();
    for (const auto& archivo : kArchivos) {
        QByteArray ruta = ValorOpcion(opciones.get(), archivo.ajuste);
        if (ruta.isEmpty() && archivo.omision && !casa.isEmpty())
            ruta = casa + "/.postgresql/" + archivo.omision;
        ComprobarOrdinario(archivo.ajuste, ruta);
    }
    // A password that is neither the environment's nor the string's (which
    // the program refuses) came from the service file; settings given one by
    // one (no string) carry the one the run used, whatever PGSERVICE says.
    const QByteArray clave = ValorOpcion(opciones.get(), "password");
    const QByteArray servicio = cadena.isEmpty() ? QByteArray() : ServicioNombrado(cadena);
    if (!clave.isEmpty() && !servicio.isEmpty() && qgetenv("PGPASSWORD") != clave)
        ComprobarClaveDeServicio(servicio);
}
