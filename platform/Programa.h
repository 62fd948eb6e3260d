#pragma once

#include <QString>

// The program folder: the folder of the executable, as the platform reports it.
QString RutaPrograma();

// Joins the program folder and a file name without looking for a separator
// already at the end, so a program folder of "/" yields "//name".
QString ArchivoDelPrograma(const QString& nombre);

// Tests point the program at a temporary folder; an empty text restores the default.
void EstablecerRutaPrograma(const QString& ruta);

// The application title, shown on boxes that have no caption of their own.
inline constexpr char TituloAplicacion[] = "Cobranzia";
