#include "platform/odbc/OdbcSqlite.h"

#include "platform/proceso/CarpetaPrivada.h"
#include "platform/proceso/ErrorEjecucion.h"
#include "platform/proceso/TextosProceso.h"

#include <QFileInfo>

#include <mutex>

namespace {

// The driver reads a value up to the next ";", and quotes none: a path that
// holds one is reached through a link to its folder, in the process's own
// private folder. Without such a folder the path is not given to the driver cut.
QString SinPuntoYComa(const QString& ruta) {
    static std::mutex cerrojo;
    const std::lock_guard guarda(cerrojo);
    if (const QString usuario = CarpetaPrivada::DelUsuario(); usuario.contains(u';'))
        throw ErrorEjecucion(Errores::PermisoDenegado,
                             TextosProceso::SinCarpetaPrivada.arg(usuario));
    const QFileInfo info(ruta);
    return CarpetaPrivada::Enlace(QStringLiteral("enlace-") +
                                      QString::number(qHash(info.absolutePath())),
                                  info.absolutePath()) +
           u'/' + info.fileName();
}

} // namespace

QString CadenaOdbcSqlite(const QString& ruta) {
    QString camino = ruta;
    if (camino.contains(u';') && !QFileInfo(camino).fileName().contains(u';'))
        camino = SinPuntoYComa(camino);
    return QStringLiteral("DRIVER={%1};Database=%2;Timeout=2000;NoCreat=1")
        .arg(ControladorOdbcSqlite, camino);
}
