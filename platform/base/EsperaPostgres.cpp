#include "platform/base/EsperaPostgres.h"

#include "platform/base/ErroresBase.h"
#include "platform/base/Manijas.h"
#include "platform/base/TextosBase.h"
#include "platform/proceso/ErrorEjecucion.h"
#include "platform/proceso/TextoVisible.h"

#include <QDeadlineTimer>

#include <libpq-fe.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>
#include <thread>

#include <poll.h>
#include <sys/socket.h>

namespace {

constexpr int kPredeterminada = 60000;
constexpr int kMaximaSinRespuesta = 600000;
constexpr int kSegundosConexion = 10;
// libpq takes a start of 1 s as 2 s: less would fail before any server answers.
constexpr int kMinimoSegundosConexion = 2;
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
        if (pendiente < 0)
            return;
        // TLS may hold records libpq has not taken yet, which no poll would see.
        if (pendiente == 0 && respuesta && !PQconsumeInput(conexion))
            return;
        if (pendiente == 0 && (!respuesta || !PQisBusy(conexion)))
            return;
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
        // Checked before libpq is let try again: on TCP the kernel may take a
        // few more bytes for a frozen server long after it last read, and a
        // wait that went on from there would last twice the bound it states.
        if (limite.hasExpired())
            Abandonar(conexion, detenida ? TextosBase::SinCancelar : TextosBase::SinRespuesta,
                      detenida ? kGraciaCancelacion : espera.milisegundos);
        // Still told after a request to stop, so that a window keeps painting.
        if (espera.aviso && !espera.aviso() && !detenida) {
            // The server answers the request with an error for the statement.
            detenida = true;
            PedirCancelacion(conexion);
            limite.setRemainingTime(kGraciaCancelacion);
        }
    }
}

namespace {

// An integer setting of the connection, wherever it came from, read as libpq
// reads it: digits after optional blanks and a sign, blanks after them, within
// an int. Nothing when unset.
std::optional<int> EnteroConexion(pg_conn* conexion, const char* clave) {
    const OpcionesPostgres opciones(PQconninfo(conexion));
    const char* texto = ValorOpcion(opciones.get(), clave);
    if (!texto)
        return std::nullopt;
    char* fin = nullptr;
    errno = 0;
    const long valor = std::strtol(texto, &fin, 10);
    const bool leido = fin != texto && errno == 0 && valor >= INT_MIN && valor <= INT_MAX;
    while (leido && *fin != '\0' && std::isspace(static_cast<unsigned char>(*fin)))
        ++fin;
    if (!leido || *fin != '\0')
        throw ErrorEjecucion(
            Errores::BaseDatos,
            TextosBase::CadenaNoValida + QStringLiteral(" (") +
                TextosBase::EnteroNoValido.arg(QLatin1String(clave),
                                               TextoVisible(QString::fromUtf8(texto))) +
                u')');
    return int(valor);
}

} // namespace

int MilisegundosSinRespuesta(pg_conn* conexion) {
    const std::optional<int> valor = EnteroConexion(conexion, "tcp_user_timeout");
    return valor && *valor > 0 ? qMin(*valor, kMaximaSinRespuesta) : kPredeterminada;
}

int SegundosConexion(pg_conn* conexion) {
    const int maximo = qMax(kSegundosConexion, MilisegundosSinRespuesta(conexion) / 1000);
    const std::optional<int> valor = EnteroConexion(conexion, "connect_timeout");
    return valor && *valor > 0 ? qBound(kMinimoSegundosConexion, *valor, maximo)
                               : kSegundosConexion;
}
