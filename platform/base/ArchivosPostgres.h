#pragma once

#include <QByteArray>

struct pg_conn;

// The files libpq reads for a connection, checked before it reads them. libpq
// opens the service file and the TLS files blocking, past every deadline of
// the program's: a FIFO or a device in their place would hold the connection
// for ever. Each check raises an ErrorEjecucion numbered Errores::BaseDatos
// that names the setting and the path.

// Before libpq starts the connection of `cadena` (empty: settings given one by
// one, and only the environment's service): the service files it would read
// for the service named (PGSERVICEFILE or ~/.pg_service.conf, then
// pg_service.conf of PGSYSCONFDIR or of the system) and the password file
// (the string's passfile, PGPASSFILE or ~/.pgpass) are regular files, or
// /dev/null, or missing.
void ComprobarAntesDeIniciar(const QByteArray& cadena);

// Once libpq has resolved the connection's settings, before it connects: the
// TLS files (sslrootcert, sslcert, sslkey, sslcrl, or their defaults in
// ~/.postgresql) and the password file are regular files, /dev/null or
// missing; and a password that came from a service file comes from a file
// that neither group nor others may use, as libpq demands of ~/.pgpass.
void ComprobarArchivosConexion(pg_conn* conexion, const QByteArray& cadena);
