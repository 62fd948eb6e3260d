#pragma once

#include <QString>

// The Spanish reason for an SQLite result code, followed by the engine's own
// text in parentheses when there is one.
QString MotivoSqlite(int codigo, const QString& mensajeMotor);

// The Spanish reason for a PostgreSQL condition, given by its five-character
// SQLSTATE, followed by the server's own text in parentheses when there is one.
// The client-side classes count too: "08001" the server could not be reached,
// "08006" the connection was lost.
QString MotivoPostgres(const QString& estadoSql, const QString& mensajeServidor);

class ErrorEjecucion;
struct pg_conn;
struct pg_result;

// The error for a failed PostgreSQL command, from its result or, when there is
// none, from the connection. A broken connection counts as lost, whatever the
// server said last.
ErrorEjecucion ErrorPostgres(const pg_conn* conexion, const pg_result* resultado);
