#include "platform/odbc/OdbcSqlite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <memory>
#include <mutex>

namespace {

// The driver reads a value up to the next ";", and quotes none: a path that
// holds one is reached through a link to its folder, in a folder of the
// process's own that lasts as long as the process. A folder that could not be
// made is not kept: the next call tries again.
QString SinPuntoYComa(const QString& ruta) {
    static std::mutex cerrojo;
    static std::unique_ptr<QTemporaryDir> enlaces;
    const std::lock_guard guarda(cerrojo);
    if (!enlaces) {
        auto nueva = std::make_unique<QTemporaryDir>(
            QDir::temp().filePath(QStringLiteral("cobranzia-XXXXXX")));
        if (!nueva->isValid() || nueva->path().contains(u';'))
            return ruta;
        enlaces = std::move(nueva);
    }
    const QFileInfo info(ruta);
    const QString enlace = enlaces->filePath(QString::number(qHash(info.absolutePath())));
    if (!QFileInfo(enlace).isSymLink())
        QFile::link(info.absolutePath(), enlace);
    return enlace + u'/' + info.fileName();
}

} // namespace

QString CadenaOdbcSqlite(const QString& ruta) {
    QString camino = ruta;
    if (camino.contains(u';') && !QFileInfo(camino).fileName().contains(u';'))
        camino = SinPuntoYComa(camino);
    return QStringLiteral("DRIVER={%1};Database=%2;Timeout=2000;NoCreat=1")
        .arg(ControladorOdbcSqlite, camino);
}
