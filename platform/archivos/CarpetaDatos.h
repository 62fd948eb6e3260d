#pragma once

#include <QString>

// The mechanics of the data folder; which folder wins is run/Eleccion.h's.
// Paths keep their bytes (platform/proceso/Rutas.h).

// The user's home: $HOME, or the one the password database gives when it is
// unset or empty, never "/" by default. Raises error 75 when neither gives one.
QString CarpetaPersonal();

// The user's login name, from the password database (never from the
// environment); the user's number when the database has no entry.
QString NombreUsuario();

// The path made absolute against the working folder.
QString RutaAbsoluta(const QString& ruta);

// True when `ruta` is an ordinary file.
bool EsArchivoOrdinario(const QString& ruta);

// Makes `carpeta` when missing, for its user alone (0700), with its missing
// parents when `padres`, and checks it can hold the database `base`. Raises
// error 75 with a Spanish reason naming the folder when it cannot be used: it
// cannot be made or written, a file stands in its place, it belongs to another
// user or others may write in it, or the database `base` there belongs to
// another user.
void PrepararCarpetaDatos(const QString& carpeta, bool padres, const QString& base);
