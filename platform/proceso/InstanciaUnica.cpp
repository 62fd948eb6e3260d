#include "platform/proceso/InstanciaUnica.h"

#include "platform/proceso/CarpetaPrivada.h"
#include "platform/proceso/CerrojoArchivo.h"
#include "platform/proceso/ErrorEjecucion.h"
#include "platform/proceso/Rutas.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <cerrno>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// "activar", then a tab and the file to open when there is one, then a line feed.
// The file's bytes travel percent-encoded: a name may hold a line feed itself.
constexpr char kMensajeActivar[] = "activar";
constexpr int kEsperaConexion = 3000;

// A place of the channel is trusted when it is this user's and no one else
// may write it; a missing one is trusted (it is made here).
bool Confiable(const QString& ruta, mode_t tipo) {
    struct stat info {};
    if (lstat(RutaABytes(ruta).constData(), &info) != 0)
        return errno == ENOENT;
    return (info.st_mode & S_IFMT) == tipo && info.st_uid == geteuid() &&
           (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// The process at the other end of a local socket belongs to this user.
bool DelUsuario(const QLocalSocket& socket) {
    ucred credencial{};
    socklen_t largo = sizeof credencial;
    return getsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &credencial,
                      &largo) == 0 &&
           credencial.uid == geteuid();
}

// The user's private folder, or empty when there is none: the window then
// opens on its own.
QString CarpetaCanal() {
    try {
        return CarpetaPrivada::DelUsuario();
    } catch (const ErrorEjecucion&) {
        return QString();
    }
}

} // namespace

InstanciaUnica::InstanciaUnica(QString clave, QString archivo, QObject* padre)
    : QObject(padre)
    , clave_(std::move(clave))
    , archivo_(std::move(archivo)) {}

InstanciaUnica::~InstanciaUnica() {
    // The socket and the lock go only while they are this copy's: a later copy
    // may have put its own at the same paths.
    delete servidor_;
    if (!socket_.isEmpty())
        CarpetaPrivada::Retirar(socket_);
    if (cerrojo_) {
        const QString ruta = cerrojo_->Ruta();
        cerrojo_.reset();
        CarpetaPrivada::Retirar(ruta);
    }
}

QString InstanciaUnica::ClavePrograma(const QString& carpetaElegida) {
    const QString carpeta = QFileInfo(carpetaElegida).canonicalFilePath();
    const QByteArray huella = QCryptographicHash::hash(
        QByteArray::number(getuid()) + ':' + RutaABytes(carpeta), QCryptographicHash::Sha256);
    return QStringLiteral("cobranzia-%1-%2")
        .arg(getuid())
        .arg(QString::fromLatin1(huella.toHex().left(24)));
}

bool InstanciaUnica::PrevInstance() {
    if (servidor_)
        return false;
    const QString carpeta = CarpetaCanal();
    if (carpeta.isEmpty())
        return false;
    socket_ = carpeta + u'/' + clave_ + QStringLiteral(".socket");
    cerrojo_ = std::make_unique<CerrojoArchivo>(carpeta + u'/' + clave_ + QStringLiteral(".lock"));
    switch (cerrojo_->Tomar(0)) {
    case CerrojoArchivo::Estado::Tomado:
        CarpetaPrivada::BorrarAlTerminar(cerrojo_->Ruta());
        Escuchar();
        return false;
    case CerrojoArchivo::Estado::Fallido:
        // A lock that another user could have made or changed is never used.
        cerrojo_.reset();
        return false;
    case CerrojoArchivo::Estado::Ocupado:
        break;
    }
    cerrojo_.reset();
    if (AvisarPrimera())
        return true;
    // The first copy cannot be reached: this one opens its window, with the
    // file, and answers later starts in its place.
    if (Confiable(socket_, S_IFSOCK))
        Escuchar();
    return false;
}

void InstanciaUnica::Escuchar() {
    QString propio;
    try {
        // Bound in this process's folder, then moved to its path in one step:
        // Qt removes the path it bound when it closes, never the shared one.
        propio = CarpetaPrivada::DelProceso() + QStringLiteral("/socket");
    } catch (const ErrorEjecucion&) {
        return;
    }
    QLocalServer::removeServer(propio);
    servidor_ = new QLocalServer(this);
    servidor_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(servidor_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = servidor_->nextPendingConnection()) {
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
            if (!DelUsuario(*s)) {
                s->abort();
                continue;
            }
            connect(s, &QLocalSocket::readyRead, this, [this, s] {
                if (!s->canReadLine())
                    return;
                const QByteArray linea = s->readLine().chopped(1);
                if (!linea.startsWith(kMensajeActivar))
                    return;
                const qsizetype tab = linea.indexOf('\t');
                // Closing tells the later start that its file arrived.
                s->disconnectFromServer();
                emit ActivacionPedida(
                    tab < 0 ? QString()
                            : RutaDesdeBytes(QByteArray::fromPercentEncoding(linea.mid(tab + 1))));
            });
        }
    });
    if (!servidor_->listen(propio) || !CarpetaPrivada::Publicar(propio, socket_)) {
        delete servidor_;
        servidor_ = nullptr;
    }
}

bool InstanciaUnica::AvisarPrimera() {
    // The first copy may hold the lock and not yet listen: try for a while.
    const QDeadlineTimer plazo(kEsperaConexion);
    while (!plazo.hasExpired()) {
        if (!Confiable(socket_, S_IFSOCK))
            return false;
        QLocalSocket socket;
        socket.connectToServer(socket_);
        if (socket.waitForConnected(200)) {
            // The path goes only to a copy of this same user's.
            if (!DelUsuario(socket))
                return false;
            QByteArray mensaje = kMensajeActivar;
            if (!archivo_.isEmpty())
                mensaje += '\t' + RutaABytes(archivo_).toPercentEncoding();
            socket.write(mensaje + '\n');
            // Delivered only when the first copy has read it all and closed.
            return socket.waitForBytesWritten(1000) && socket.waitForDisconnected(kEsperaConexion);
        }
        QThread::msleep(50);
    }
    return false;
}
