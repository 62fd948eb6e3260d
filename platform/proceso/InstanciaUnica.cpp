#include "platform/proceso/InstanciaUnica.h"

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
constexpr char kMensajeActivar[] = "activar";
constexpr int kEsperaConexion = 3000;

// A place of the channel is trusted when it is this user's and no one else
// may write it; a missing one is trusted (it is made here).
bool Confiable(const QString& ruta, mode_t tipo) {
    struct stat info {};
    if (lstat(RutaABytes(ruta).constData(), &info) != 0)
        return errno == ENOENT;
    return (info.st_mode & S_IFMT) == tipo && info.st_uid == getuid() &&
           (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// The process at the other end of a local socket belongs to this user.
bool DelUsuario(const QLocalSocket& socket) {
    ucred credencial{};
    socklen_t largo = sizeof credencial;
    return getsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &credencial,
                      &largo) == 0 &&
           credencial.uid == getuid();
}

// The user's own folder for the channel: $XDG_RUNTIME_DIR, or one made for
// the user alone in the temporary folder. Empty when it cannot be trusted.
QString CarpetaCanal() {
    QString carpeta = RutaDesdeBytes(qgetenv("XDG_RUNTIME_DIR"));
    if (!QDir::isAbsolutePath(carpeta)) {
        carpeta = QDir::temp().absoluteFilePath(QStringLiteral("cobranzia-%1").arg(getuid()));
        if (mkdir(RutaABytes(carpeta).constData(), 0700) != 0 && errno != EEXIST)
            return QString();
    }
    struct stat info {};
    if (lstat(RutaABytes(carpeta).constData(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != getuid() || (info.st_mode & 077) != 0)
        return QString();
    return carpeta;
}

} // namespace

InstanciaUnica::InstanciaUnica(QString clave, QString archivo, QObject* padre)
    : QObject(padre)
    , clave_(std::move(clave))
    , archivo_(std::move(archivo)) {}

InstanciaUnica::~InstanciaUnica() = default;

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
    const QString cerrojo = carpeta + u'/' + clave_ + QStringLiteral(".lock");
    socket_ = carpeta + u'/' + clave_ + QStringLiteral(".socket");
    // A place that another user could have made or changed is never used:
    // the window opens on its own.
    if (carpeta.isEmpty() || !Confiable(cerrojo, S_IFREG))
        return false;
    cerrojo_ = std::make_unique<QLockFile>(cerrojo);
    // Never stale by age: only a lock whose holder has died is taken over.
    cerrojo_->setStaleLockTime(0);
    if (cerrojo_->tryLock(0)) {
        chmod(RutaABytes(cerrojo).constData(), 0600);
        Escuchar();
        return false;
    }
    cerrojo_.reset();
    return AvisarPrimera();
}

void InstanciaUnica::Escuchar() {
    QLocalServer::removeServer(socket_);
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
                emit ActivacionPedida(tab < 0 ? QString() : RutaDesdeBytes(linea.mid(tab + 1)));
            });
        }
    });
    servidor_->listen(socket_);
}

bool InstanciaUnica::AvisarPrimera() {
    // The first copy may hold the lock and not yet listen: try for a while.
    const QDeadlineTimer plazo(kEsperaConexion);
    while (!plazo.hasExpired()) {
        QLocalSocket socket;
        if (Confiable(socket_, S_IFSOCK))
            socket.connectToServer(socket_);
        if (socket.waitForConnected(200)) {
            // The path goes only to a copy of this same user's.
            if (!DelUsuario(socket))
                return false;
            QByteArray mensaje = kMensajeActivar;
            if (!archivo_.isEmpty())
                mensaje += '\t' + RutaABytes(archivo_);
            socket.write(mensaje + '\n');
            socket.waitForBytesWritten(1000);
            socket.disconnectFromServer();
            return true;
        }
        if (!Confiable(socket_, S_IFSOCK))
            return false;
        QThread::msleep(50);
    }
    return true;
}
