#pragma once

#include <QString>

// The value of one key of an ADO connection string ("Data Source", ...), or an
// empty text when the key is not there. Keys are compared without regard to
// case. A value runs until the next piece that starts with a known key, so a
// folder with a semicolon in its name survives the split.
QString ValorConexion(const QString& cadena, const QString& clave);
