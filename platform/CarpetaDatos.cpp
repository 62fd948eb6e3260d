#include "platform/CarpetaDatos.h"

#include "platform/ErrorEjecucion.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void Fallar(const QString& motivo) {
    throw ErrorEjecucion(Errores::AccesoRuta, motivo);
}

QString Sistema() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Makes the folder, and its missing parents when `padres`, for its user alone.
void Crear(const QString& carpeta, bool padres) {
    const QString padre = QFileInfo(carpeta).absolutePath();
    if (padres && padre != carpeta && !QFileInfo(padre).exists())
        Crear(padre, true);
    if (mkdir(QFile::encodeName(carpeta).constData(), 0700) != 0 && errno != EEXIST)
        Fallar(QStringLiteral("No se pudo crear la carpeta de datos «%1»: %2")
                   .arg(carpeta, Sistema()));
}

void Comprobar(const QString& carpeta, bool propia) {
    struct stat info {};
    if (stat(QFile::encodeName(carpeta).constData(), &info) != 0)
        Fallar(QStringLiteral("No se puede usar la carpeta de datos «%1»: %2")
                   .arg(carpeta, Sistema()));
    if (!S_ISDIR(info.st_mode))
        Fallar(QStringLiteral("No se puede usar la carpeta de datos «%1»: hay un archivo con ese "
                              "nombre")
                   .arg(carpeta));
    if (propia && info.st_uid != getuid())
        Fallar(QStringLiteral("La carpeta de datos «%1» pertenece a otro usuario").arg(carpeta));
    // The superuser passes every access test: a folder with no write bit at all
    // counts as read-only for everyone.
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
        access(QFile::encodeName(carpeta).constData(), W_OK | X_OK) != 0)
        Fallar(QStringLiteral("No se puede escribir en la carpeta de datos «%1»").arg(carpeta));
}

} // namespace

QString ElegirCarpetaDatos(const QString& carpetaPrograma, const QString& elegida,
                           const QString& base) {
    QString carpeta = elegida.isEmpty() ? qEnvironmentVariable("COBRANZIA_DATOS") : elegida;
    const bool porNombre = !carpeta.isEmpty();
    bool porDefecto = false;
    if (porNombre) {
        carpeta = QDir::cleanPath(QDir::current().absoluteFilePath(carpeta));
    } else if (QFileInfo(carpetaPrograma + u'/' + base).isFile()) {
        carpeta = carpetaPrograma;
    } else {
        QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
        if (!QDir::isAbsolutePath(xdg))
            xdg = QDir::homePath() + QStringLiteral("/.local/share");
        carpeta = QDir::cleanPath(xdg + QStringLiteral("/cobranzia"));
        porDefecto = true;
    }
    if (!QFileInfo(carpeta).exists() && !QFileInfo(carpeta).isSymLink())
        Crear(carpeta, porDefecto);
    Comprobar(carpeta, porDefecto);
    return carpeta;
}
