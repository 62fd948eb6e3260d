#pragma once

#include "platform/base/DestinoPostgres.h"

#include <QByteArray>
#include <QString>

// The TLS settings after sslmode, as libpq's own connection string writes
// them ("sslrootcert='/a b' sslcrl=/c"): psqlODBC passes them on in "pqopt".
QString OpcionesTlsPostgres(const DestinoPostgres& destino);

// The ODBC driver that Debian's odbc-postgresql registers for UTF-8 text.
inline const QString ControladorOdbcPostgres = QStringLiteral("PostgreSQL Unicode");

// The attributes of a user data source named `fuente` for the same server, in
// the installer's form, with the same TLS settings and logs off: "KEY=value" pieces each ended by a
// NUL, and one more NUL at the end.
QByteArray AtributosOdbcPostgres(const QString& fuente, const DestinoPostgres& destino);
