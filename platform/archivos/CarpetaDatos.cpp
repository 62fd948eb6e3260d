#include "platform/archivos/CarpetaDatos.h"

#include "platform/archivos/TextosArchivos.h"
#include "platform/proceso/ErrorEjecucion.h"
#include "platform/proceso/MotivoSistema.h"
#include "platform/proceso/Rutas.h"

#include <QDir>

#include <cerrno>
#include <cstring>
#include <vector>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void Fallar(const QString& motivo) {
    throw ErrorEjecucion(Errores::AccesoRuta, motivo);
}

QString Sistema() {
    return MotivoSistema(errno);
}

bool Existe(const QString& ruta) {
    struct stat info {};
    return lstat(RutaABytes(ruta).constData(), &info) == 0;
}

// Makes the folder, and its missing parents when `padres`, for its user alone.
void Crear(const QString& carpeta, bool padres) {
    const QString padre = QDir::cleanPath(carpeta + QStringLiteral("/.."));
    if (padres && padre != carpeta && !Existe(padre))
        Crear(padre, true);
    if (mkdir(RutaABytes(carpeta).constData(), 0700) != 0 && errno != EEXIST)
        Fallar(TextosArchivos::CarpetaNoCreada.arg(carpeta, Sistema()));
}

// Another user's folder, or one that others may write in, would let them
// swap the database for theirs or read the rows: never used.
void Comprobar(const QString& carpeta) {
    struct stat info {};
    if (stat(RutaABytes(carpeta).constData(), &info) != 0)
        Fallar(TextosArchivos::CarpetaInservible.arg(carpeta, Sistema()));
    if (!S_ISDIR(info.st_mode))
        Fallar(TextosArchivos::CarpetaEsArchivo.arg(carpeta));
    if (info.st_uid != getuid())
        Fallar(TextosArchivos::CarpetaAjena.arg(carpeta));
    if (info.st_mode & (S_IWGRP | S_IWOTH))
        Fallar(TextosArchivos::CarpetaAbierta.arg(carpeta));
    // The superuser passes every access test: a folder with no write bit at all
    // counts as read-only for everyone.
    if ((info.st_mode & S_IWUSR) == 0 || access(RutaABytes(carpeta).constData(), W_OK | X_OK) != 0)
        Fallar(TextosArchivos::CarpetaSoloLectura.arg(carpeta));
}

// A database there that belongs to another user would receive this user's rows.
void ComprobarBase(const QString& base) {
    struct stat info {};
    if (stat(RutaABytes(base).constData(), &info) == 0 && info.st_uid != getuid())
        Fallar(TextosArchivos::BaseAjena.arg(base));
}

} // namespace

namespace {

// The user's entry in the password database; null when there is none.
const passwd* EntradaUsuario(std::vector<char>& buffer, passwd& entrada) {
    buffer.resize(16384);
    passwd* usuario = nullptr;
    if (getpwuid_r(getuid(), &entrada, buffer.data(), buffer.size(), &usuario) != 0)
        return nullptr;
    return usuario;
}

} // namespace

QString CarpetaPersonal() {
    if (!qEnvironmentVariableIsEmpty("HOME"))
        return RutaDesdeBytes(qgetenv("HOME"));
    std::vector<char> buffer;
    passwd entrada{};
    const passwd* usuario = EntradaUsuario(buffer, entrada);
    if (!usuario || !usuario->pw_dir || usuario->pw_dir[0] != '/')
        Fallar(TextosArchivos::SinCarpetaPersonal);
    return RutaDesdeBytes(usuario->pw_dir);
}

QString NombreUsuario() {
    std::vector<char> buffer;
    passwd entrada{};
    const passwd* usuario = EntradaUsuario(buffer, entrada);
    if (!usuario || !usuario->pw_name || !*usuario->pw_name)
        return QString::number(getuid());
    return NombreLegible(RutaDesdeBytes(usuario->pw_name));
}

QString RutaAbsoluta(const QString& ruta) {
    if (QDir::isAbsolutePath(ruta))
        return QDir::cleanPath(ruta);
    std::vector<char> actual(4096);
    while (!getcwd(actual.data(), actual.size()) && errno == ERANGE)
        actual.resize(actual.size() * 2);
    return QDir::cleanPath(RutaDesdeBytes(actual.data()) + u'/' + ruta);
}

bool EsArchivoOrdinario(const QString& ruta) {
    struct stat info {};
    return stat(RutaABytes(ruta).constData(), &info) == 0 && S_ISREG(info.st_mode);
}

void PrepararCarpetaDatos(const QString& carpeta, bool padres, const QString& base) {
    if (!Existe(carpeta))
        Crear(carpeta, padres);
    Comprobar(carpeta);
    ComprobarBase(carpeta + u'/' + base);
}
