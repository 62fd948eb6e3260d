#pragma once

#include <QString>

// Which source wins, for the data folder and for the server, in one place.

// The administrator's settings for every user of the machine.
inline const QString ConfiguracionSistema = QStringLiteral("/etc/cobranzia/cobranzia.conf");

// The folder of the user's data, the database and the settings file, the
// first that is given of: `elegida` (the command line's --datos), the
// environment variable COBRANZIA_DATOS, a program folder that holds its own
// database `base` (a portable folder), and $XDG_DATA_HOME/cobranzia
// (~/.local/share/cobranzia by default). Made when missing and `crear`, and
// checked when there (platform/archivos/CarpetaDatos.h); returns its absolute path.
QString ElegirCarpetaDatos(const QString& carpetaPrograma, const QString& elegida,
                           const QString& base, bool crear = true);

// The office's server by its libpq connection string, the later winning:
// [Base] Servidor in `sistema` (the system's file) and in `archivoIni` (the
// data folder's settings file), COBRANZIA_SERVIDOR, and `opcion` (--servidor).
// Empty for the embedded database. A settings file that is there but cannot
// be read whole raises error 75: it might name one.
QString ElegirServidor(const QString& opcion, const QString& sistema, const QString& archivoIni);
