#pragma once

#include <QList>
#include <QPair>
#include <QString>

struct pg_conn;

// Where a PostgreSQL server's data are: the host (or the folder of its Unix
// socket), the port, the database and the user; and how to reach them: the
// TLS settings (libpq's sslmode, sslrootcert, sslcert, sslkey, sslcrl), in
// that order, the paths absolute.
struct DestinoPostgres {
    QString servidor;
    QString puerto;
    QString base;
    QString usuario;
    QList<QPair<QString, QString>> tls;
};

// The destination of an open connection, as libpq resolved it from the
// connection string, a service file, the PG* variables and its defaults.
DestinoPostgres DestinoDeConexion(const pg_conn* conexion);
