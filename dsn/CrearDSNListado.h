#pragma once

#include "platform/odbc/OdbcPostgres.h"

#include <QString>

// Makes sure that the user data source "Cobranzia" points at the database of
// the folder `strCarpeta`. Returns false with the reason in `strError` when it
// could not; on success `strError` is left as it was.
bool CrearDSNListado(const QString& strCarpeta, QString& strError);

// The same for a PostgreSQL server: "Cobranzia" then reads the shared Datos.
bool CrearDSNServidor(const DestinoPostgres& destino, QString& strError);

namespace DSN {
inline const QString NombreFuente = QStringLiteral("Cobranzia");
} // namespace DSN
