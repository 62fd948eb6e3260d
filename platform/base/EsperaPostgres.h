#pragma once

#include <functional>

struct pg_conn;

// How long, and with whom to check, the program waits on a server that the
// connection talks to without blocking (PQsetnonblocking). A frozen server
// holds neither the socket of a Unix connection nor, when its kernel still
// answers, that of a TCP one: only a deadline of our own bounds the wait.
struct EsperaPostgres {
    // Without news from the server for this long, the connection is given up.
    int milisegundos = 60000;
    // Told every few milliseconds while the server works; false asks it to stop.
    std::function<bool()> aviso;
};

// Sends what libpq holds for the server and, when `respuesta`, waits until a
// whole result can be read without blocking. Each sign of life from the
// server starts the deadline again. When the deadline passes, or the server
// does not answer a request to stop in time, the connection is shut (libpq
// then calls it bad and the server undoes its transaction) and the reason is
// raised as an ErrorEjecucion numbered Errores::BaseDatos. Other failures are
// left to the caller's next libpq call, which reports them.
void EsperarServidor(pg_conn* conexion, const EsperaPostgres& espera, bool respuesta);

// The wait that the connection string sets: libpq's tcp_user_timeout, which
// bounds unacknowledged data on TCP, read as the bound of any unanswered
// request on every kind of connection; 60 s when unset, 0 or negative, at
// most 10 minutes. A value libpq would not read as an integer is refused,
// named, as an ErrorEjecucion numbered Errores::BaseDatos.
int MilisegundosSinRespuesta(pg_conn* conexion);

// The bound of a connection's start, libpq's connect_timeout: 10 s when unset,
// 0 or negative (libpq would wait for ever), 2 s at least as libpq has it,
// and at most the longer of 10 s and MilisegundosSinRespuesta. Refuses what
// MilisegundosSinRespuesta refuses.
int SegundosConexion(pg_conn* conexion);
