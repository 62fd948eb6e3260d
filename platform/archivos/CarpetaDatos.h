#pragma once

#include <QString>

// The folder of the user's data, the database and the settings file, in the
// order of the user's choice: `elegida` (the command line's --datos), the
// environment variable COBRANZIA_DATOS, a program folder that holds its own
// database `base` (a portable folder), and $XDG_DATA_HOME/cobranzia
// (~/.local/share/cobranzia by default). Returns its absolute path.
//
// A folder that is missing is made, for its user alone (0700). Raises error 75
// with a Spanish reason naming the folder when it cannot be used: it cannot be
// made or written, a file stands in its place, it belongs to another user or
// others may write in it, or the database `base` there belongs to another
// user. Paths keep their bytes (platform/Rutas.h); with no HOME, the home
// folder is the one the password database gives.
QString ElegirCarpetaDatos(const QString& carpetaPrograma, const QString& elegida,
                           const QString& base);
