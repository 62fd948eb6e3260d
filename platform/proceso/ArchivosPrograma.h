#pragma once

#include <QString>

// The names of the program's own files, for every layer that opens one: the
// database and the settings file in the data folder, the md5 library and the
// listing's template beside the executable.
namespace ArchivosPrograma {
inline const QString BaseDatos = QStringLiteral("Cobranzia.mdb");
inline const QString ArchivoIni = QStringLiteral("Cobranzia.dat");
inline const QString Plantilla = QStringLiteral("Cobranzia.rpt");
inline const QString BibliotecaMd5 = QStringLiteral("libmd5.so");
// The database file's password.
inline const QString ContrasenaBase = QStringLiteral("tornasolmivel");
} // namespace ArchivosPrograma
