#pragma once

#include <QString>

// Makes sure that the user data source "Cobranzia" points at the program's
// database. Returns false with the reason in `strError` when it could not; on
// success `strError` is left as it was.
bool CrearDSNListado(QString& strError);

namespace DSN {
inline constexpr char NombreFuente[] = "Cobranzia";
inline constexpr char Controlador[] = "SQLite3";
inline constexpr char ArchivoBase[] = "Cobranzia.mdb";
} // namespace DSN
