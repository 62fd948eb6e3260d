#pragma once

#include <QString>

// The value of one key of an ADO connection string ("Data Source", ...), or an
// empty text when the key is not there. Keys are compared without regard to
// case. A value in double or single quotes is taken whole, its doubled quotes
// made single; an unquoted value runs until the next piece that starts with a
// known key, so a folder with a semicolon in its name survives the split.
QString ValorConexion(const QString& cadena, const QString& clave);

// A value as a connection string carries it: as it is, or in double quotes
// when it holds a semicolon or a quote or starts or ends with a blank.
QString CitarValorConexion(const QString& valor);
