#include "platform/archivos/CarpetaDatos.h"

#include "platform/archivos/TextosArchivos.h"
#include "platform/proceso/ErrorEjecucion.h"
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
    return QString::fromLocal8Bit(std::strerror(errno));
}

// An environment variable with its bytes: a path in it need not be UTF-8.
QString Variable(const char* nombre) {
    return RutaDesdeBytes(qgetenv(nombre));
}

// $HOME, or the home that the password database gives the user when it is
// unset or empty: never "/" by default.
QString Hogar() {
    if (!qEnvironmentVariableIsEmpty("HOME"))
        return Variable("HOME");
    std::vector<char> buffer(16384);
    passwd entrada{};
    passwd* usuario = nullptr;
    if (getpwuid_r(getuid(), &entrada, buffer.data(), buffer.size(), &usuario) != 0 || !usuario ||
        !usuario->pw_dir || usuario->pw_dir[0] != '/')
        Fallar(QStringLiteral("No se sabe cuál es la carpeta personal del usuario: falta HOME y "
                              "la base de usuarios no la da"));
    return RutaDesdeBytes(usuario->pw_dir);
}

// The path made absolute against the working folder, with its bytes.
QString Absoluta(const QString& ruta) {
    if (QDir::isAbsolutePath(ruta))
        return QDir::cleanPath(ruta);
    std::vector<char> actual(4096);
    while (!getcwd(actual.data(), actual.size()) && errno == ERANGE)
        actual.resize(actual.size() * 2);
    return QDir::cleanPath(RutaDesdeBytes(actual.data()) + u'/' + ruta);
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
        Fallar(QStringLiteral("No se pudo crear la carpeta de datos «%1»: %2")
                   .arg(carpeta, Sistema()));
}

// Another user's folder, or one that others may write in, would let them
// swap the database for theirs or read the rows: never used.
void Comprobar(const QString& carpeta) {
    struct stat info {};
    if (stat(RutaABytes(carpeta).constData(), &info) != 0)
        Fallar(QStringLiteral("No se puede usar la carpeta de datos «%1»: %2")
                   .arg(carpeta, Sistema()));
    if (!S_ISDIR(info.st_mode))
        Fallar(QStringLiteral("No se puede usar la carpeta de datos «%1»: hay un archivo con ese "
                              "nombre")
                   .arg(carpeta));
    if (info.st_uid != getuid())
        Fallar(TextosArchivos::CarpetaAjena.arg(carpeta));
    if (info.st_mode & (S_IWGRP | S_IWOTH))
        Fallar(TextosArchivos::CarpetaAbierta.arg(carpeta));
    // The superuser passes every access test: a folder with no write bit at all
    // counts as read-only for everyone.
    if ((info.st_mode & S_IWUSR) == 0 || access(RutaABytes(carpeta).constData(), W_OK | X_OK) != 0)
        Fallar(QStringLiteral("No se puede escribir en la carpeta de datos «%1»").arg(carpeta));
}

// A database there that belongs to another user would receive this user's rows.
void ComprobarBase(const QString& base) {
    struct stat info {};
    if (stat(RutaABytes(base).constData(), &info) == 0 && info.st_uid != getuid())
        Fallar(TextosArchivos::BaseAjena.arg(base));
}

} // namespace

QString ElegirCarpetaDatos(const QString& carpetaPrograma, const QString& elegida,
                           const QString& base) {
    QString carpeta = elegida.isEmpty() ? Variable("COBRANZIA_DATOS") : elegida;
    bool porDefecto = false;
    struct stat info {};
    if (!carpeta.isEmpty()) {
        carpeta = Absoluta(carpeta);
    } else if (stat(RutaABytes(carpetaPrograma + u'/' + base).constData(), &info) == 0 &&
               S_ISREG(info.st_mode)) {
        carpeta = carpetaPrograma;
    } else {
        QString xdg = Variable("XDG_DATA_HOME");
        if (!QDir::isAbsolutePath(xdg))
            xdg = Hogar() + QStringLiteral("/.local/share");
        carpeta = QDir::cleanPath(xdg + QStringLiteral("/cobranzia"));
        porDefecto = true;
    }
    if (!Existe(carpeta))
        Crear(carpeta, porDefecto);
    Comprobar(carpeta);
    ComprobarBase(carpeta + u'/' + base);
    return carpeta;
}
