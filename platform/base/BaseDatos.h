#pragma once

#include <QByteArray>
#include <QString>

// The database file as the program expects it: table Datos with its index, and
// the salted verifier of the database password.

// Creates a fresh database at `ruta` with the given password, mode 0600, only
// when no file is there. Returns true when the file is there afterwards (made
// now or before, `creada` tells which); false with the reason in `error`.
bool CrearBaseDatos(const QString& ruta, const QString& contrasena, bool* creada, QString* error);

// The verifier stored for a password and a salt.
QByteArray DerivarVerificador(const QString& contrasena, const QByteArray& sal);

// The statements that lay out a fresh database, those that bring one of the
// first version up to date (a table of runs, a table of the version), and
// those that bring one of the second up to the third (the run history).
extern const char* const EsquemaBaseDatos;
extern const char* const ActualizacionBaseDatos;
extern const char* const ActualizacionHistorial;
extern const char* const ActualizacionIndicesHistorial;
inline constexpr int VersionBaseDatos = 4;
// The query of the version a database is at.
extern const char* const ConsultaVersion;
// The query that reads the stored salt and verifier.
extern const char* const ConsultaVerificador;
