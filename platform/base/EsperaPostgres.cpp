#include "platform/base/EsperaPostgres.h"

#include "platform/base/ErroresBase.h"
#include "platform/base/Manijas.h"
#include "platform/base/TextosBase.h"
#include "platform/proceso/ErrorEjecucion.h"

#include <QDeadlineTimer>

#include <libpq-fe.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include <poll.h>
#include <sys/socket.h>

namespace {

constexpr int kPredeterminada = 60000;
// Milliseconds between two notices while the server works on a statement.
constexpr int kIntervaloAviso = 50;
// How long a server asked to stop may take to say it stopped.
constexpr int kGraciaCancelacion = 5000;

// libpq 15 has no cancel request that waits with a deadline; against a frozen
// postmaster it would wait for ever, so it waits on a thread of its own.
void PedirCancelacion(pg_conn* conexion) {
    CancelacionPostgres cancelacion(PQgetCancel(conexion));
    if (!cancelacion)
        return;
    std::thread([cancelacion = std::move(cancelacion)] {
        char motivo[256];
        PQcancel(cancelacion.get(), motivo, sizeof motivo);
    }).detach();
}

[[noreturn]] void Abandonar(pg_conn* conexion, const QString& texto, int milisegundos) {
    shutdown(PQsocket(conexion), SHUT_RDWR);
    // Lets libpq see the closed socket, so that it calls the connection bad.
    PQconsumeInput(conexion);
    const QString segundos = QString::number(milisegundos / 1000.0).replace(u'.', u',');
    throw ErrorEjecucion(Errores::BaseDatos,
                         MotivoPostgres(QStringLiteral("08006"), texto.arg(segundos)));
}

} // namespace

void EsperarServidor(pg_conn* conexion, const EsperaPostgres& espera, bool respuesta) {
    QDeadlineTimer limite(espera.milisegundos);
    bool detenida = false;
    for (;;) {
        const int pendiente = PQflush(conexion);
        if (pendiente < 0 || (pendiente == 0 && (!respuesta || !PQisBusy(conexion))))
            return;
        if (limite.hasExpired())
            Abandonar(conexion, detenida ? TextosBase::SinCancelar : TextosBase::SinRespuesta,
                      detenida ? kGraciaCancelacion : espera.milisegundos);
        pollfd fd{PQsocket(conexion), short(POLLIN | (pendiente > 0 ? POLLOUT : 0)), 0};
        const int resto = int(qMin<qint64>(limite.remainingTime(), INT_MAX));
        const int listo = poll(&fd, 1, espera.aviso ? qMin(resto, kIntervaloAviso) : resto);
        if (listo < 0 && errno != EINTR)
            return;
        if (listo > 0) {
            // Input, or the end of the connection, which libpq reads as its failure.
            if ((fd.revents & ~POLLOUT) && !PQconsumeInput(conexion))
                return;
            if (!detenida)
                limite.setRemainingTime(espera.milisegundos);
        }
        // Still told after a request to stop, so that a window keeps painting.
        if (espera.aviso && !espera.aviso() && !detenida) {
            // The server answers the request with an error for the statement.
            detenida = true;
            PedirCancelacion(conexion);
            limite.setRemainingTime(kGraciaCancelacion);
        }
    }
}

int MilisegundosSinRespuesta(pg_conn* conexion) {
    int milisegundos = kPredeterminada;
    const OpcionesPostgres opciones(PQconninfo(conexion));
    // NOLINTBEGIN(cert-err34-c) read as libpq reads it, for now
    for (PQconninfoOption* o = opciones.get(); o && o->keyword; ++o) {
        if (std::strcmp(o->keyword, "tcp_user_timeout") == 0 && o->val && std::atoi(o->val) > 0)
            milisegundos = std::atoi(o->val);
    }
    // NOLINTEND(cert-err34-c)
    return milisegundos;
}
