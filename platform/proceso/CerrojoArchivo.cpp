#include "platform/proceso/CerrojoArchivo.h"

#include "platform/proceso/MotivoSistema.h"
#include "platform/proceso/Rutas.h"
#include "platform/proceso/TextosProceso.h"

#include <QDeadlineTimer>
#include <QThread>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr int kPausa = 20;

bool MismoArchivo(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}
} // namespace

CerrojoArchivo::CerrojoArchivo(QString ruta)
    : ruta_(std::move(ruta)) {}

CerrojoArchivo::~CerrojoArchivo() {
    if (fd_ < 0)
        return;
    // Removed while still held: a taker that opened it then finds it gone and opens anew.
    ::unlink(RutaABytes(ruta_).constData());
    ::close(fd_);
}

CerrojoArchivo::Estado CerrojoArchivo::Tomar(int esperaMs) {
    if (fd_ >= 0)
        return Estado::Tomado;
    const QByteArray local = RutaABytes(ruta_);
    const QDeadlineTimer plazo(esperaMs);
    while (true) {
        const int fd =
            ::open(local.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
        if (fd < 0) {
            motivo_ = TextosProceso::CerrojoInservible.arg(ruta_, MotivoSistema(errno));
            return Estado::Fallido;
        }
        struct stat abierto {};
        if (::fstat(fd, &abierto) != 0 || !S_ISREG(abierto.st_mode) ||
            abierto.st_uid != ::geteuid() || (abierto.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
            ::close(fd);
            motivo_ = TextosProceso::CerrojoAjeno.arg(ruta_);
            return Estado::Fallido;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            struct stat enRuta {};
            if (::lstat(local.constData(), &enRuta) == 0 && MismoArchivo(abierto, enRuta)) {
                fd_ = fd;
                return Estado::Tomado;
            }
            // The holder removed it as it let go: the lock on the old file means nothing.
            ::close(fd);
            continue;
        }
        const int error = errno;
        ::close(fd);
        if (error != EWOULDBLOCK && error != EINTR) {
            motivo_ = TextosProceso::CerrojoInservible.arg(ruta_, MotivoSistema(error));
            return Estado::Fallido;
        }
        if (plazo.hasExpired()) {
            motivo_ = TextosProceso::CerrojoOcupado.arg(ruta_).arg((esperaMs + 999) / 1000);
            return Estado::Ocupado;
        }
        QThread::msleep(kPausa);
    }
}
