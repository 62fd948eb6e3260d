#pragma once

#include "platform/base/DestinoPostgres.h"

#include <QByteArray>
#include <QString>

// The TLS settings after sslmode, as libpq's own connection string writes
// them ("sslrootcert='/a b' sslcrl=/c"): psqlODBC passes them on in "pqopt".
QString OpcionesTlsPostgres(const DestinoPostgres& destino);

// The ODBC driver that Debian's odbc-postgresql registers for UTF-8 text.
inline const QString ControladorOdbcPostgres = QStringLiteral("PostgreSQL Unicode");

// The connection string for Qt's QODBC driver through psqlODBC, with the
// connection's TLS settings and the driver's logs off. It holds no password: psqlODBC connects
// through libpq, which finds it where the program's own connection did (~/.pgpass, PGPASSFILE).
QString CadenaOdbcPostgres(const DestinoPostgres& destino);

// The attributes of a user data source named `fuente` for the same server, in
// the installer's form, with the same TLS settings and logs off: "KEY=value" pieces each ended by a
// NUL, and one more NUL at the end.
QByteArray AtributosOdbcPostgres(const QString& fuente, const DestinoPostgres& destino);

// psqlODBC takes the default of its logs from its own section of the system's
// odbcinst.ini, never from a data source, and falls back on it whenever no
// connection is open, while the last one closes too: Debian's section turns
// the communication log on, so every listing left a /tmp/psqlodbc_*.log that
// anyone could read. When that section asks for a log, this process reads the
// drivers from a private copy with psqlODBC's logs off (ODBCSYSINI), and the
// system's data sources from the system's own file. Call before the first ODBC
// call: unixODBC looks for its files only once. When the copy cannot be made,
// the logs stay as the system has them.
void ApagarRegistrosPsqlOdbc();
