#pragma once

#include <QString>

// Writes the listing of one file's stored rows, with its name and control
// code, as a PDF file, through the report template in the program folder.
// Raises the report engine's error when it fails.
void EscribirListadoPdf(const QString& strArchivo, const QString& strHash, const QString& salida);
