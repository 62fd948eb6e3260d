#pragma once

#include <QString>

// The ODBC driver that Debian's libsqliteodbc registers.
inline const QString ControladorOdbcSqlite = QStringLiteral("SQLite3");

// The connection string for Qt's QODBC driver to the SQLite file at `ruta`,
// through its own path rather than a data source: a read waits 2 s for a
// writer (the driver's own default, 100 s, would look like a hang) and a
// missing file is an error, not a new empty database. A folder name holding
// ";" is reached through a link in the process's private folder; raises error
// 70 when there is no such folder.
QString CadenaOdbcSqlite(const QString& ruta);
