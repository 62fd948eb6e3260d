#include "platform/InstanciaUnica.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <unistd.h>

namespace {
// "activar", then a tab and the file to open when there is one, then a line feed.
constexpr char kMensajeActivar[] = "activar";
constexpr int kEsperaConexion = 3000;
} // namespace

InstanciaUnica::InstanciaUnica(QString clave, QString archivo, QObject* padre)
    : QObject(padre)
    , clave_(std::move(clave))
    , archivo_(std::move(archivo)) {}

InstanciaUnica::~InstanciaUnica() = default;

QString InstanciaUnica::ClavePrograma(const QString& carpetaElegida) {
    const QString carpeta = QFileInfo(carpetaElegida).canonicalFilePath();
    const QByteArray huella =
        QCryptographicHash::hash((QString::number(getuid()) + QLatin1Char(':') + carpeta).toUtf8(),
                                 QCryptographicHash::Sha256);
    return QStringLiteral("cobranzia-%1-%2")
        .arg(getuid())
        .arg(QString::fromLatin1(huella.toHex().left(24)));
}

bool InstanciaUnica::PrevInstance() {
    if (servidor_)
        return false;
    cerrojo_ = std::make_unique<QLockFile>(QDir::temp().filePath(clave_ + QStringLiteral(".lock")));
    // Never stale by age: only a lock whose holder has died is taken over.
    cerrojo_->setStaleLockTime(0);
    if (cerrojo_->tryLock(0)) {
        QLocalServer::removeServer(clave_);
        servidor_ = new QLocalServer(this);
        servidor_->setSocketOptions(QLocalServer::UserAccessOption);
        connect(servidor_, &QLocalServer::newConnection, this, [this] {
            while (QLocalSocket* s = servidor_->nextPendingConnection()) {
                connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
                connect(s, &QLocalSocket::readyRead, this, [this, s] {
                    if (!s->canReadLine())
                        return;
                    const QByteArray linea = s->readLine().chopped(1);
                    if (!linea.startsWith(kMensajeActivar))
                        return;
                    const qsizetype tab = linea.indexOf('\t');
                    emit ActivacionPedida(tab < 0 ? QString()
                                                  : QString::fromUtf8(linea.mid(tab + 1)));
                });
            }
        });
        servidor_->listen(clave_);
        return false;
    }
    cerrojo_.reset();
    AvisarPrimera();
    return true;
}

bool InstanciaUnica::AvisarPrimera() {
    // The first copy may hold the lock and not yet listen: try for a while.
    const QDeadlineTimer plazo(kEsperaConexion);
    while (!plazo.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(clave_);
        if (socket.waitForConnected(200)) {
            QByteArray mensaje = kMensajeActivar;
            if (!archivo_.isEmpty())
                mensaje += '\t' + archivo_.toUtf8();
            socket.write(mensaje + '\n');
            const bool enviado = socket.waitForBytesWritten(1000);
            socket.disconnectFromServer();
            return enviado;
        }
        QThread::msleep(50);
    }
    return false;
}
