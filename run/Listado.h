#pragma once

#include <QString>

class ControlReporte;
class Programa;

// Gives the report control every value of the listing of one file, in order,
// for the given destination (0 preview, 2 PDF file): the data source, the
// program's template, the formula fields Archivo and Hash, the selection of
// the file's rows, the title and the maximised window.
void PrepararListado(ControlReporte& rpt, const Programa& programa, const QString& strArchivo,
                     const QString& strHash, int destino);

// Writes the listing of one file's stored rows, with its name and control
// code, as a PDF file. Raises the report engine's error when it fails.
void EscribirListadoPdf(const Programa& programa, const QString& strArchivo, const QString& strHash,
                        const QString& salida);

// Refuses a PDF target that would destroy something, before any run: a file
// of the program's (the database and its journal, the settings file, the
// template, the md5 library, the executable, the ODBC settings), the debit
// file `lote`, and any existing target that is not an ordinary file (a
// device, a pipe, a folder, a link). Raises error 75 with the reason.
void ComprobarDestinoListado(const Programa& programa, const QString& lote, const QString& salida);

// The file name as the run stores it: without leading and trailing spaces.
QString NombreGuardado(const QString& strArchivo);

namespace TextosListado {
inline const QString Conexion = QStringLiteral("DSN=Cobranzia");
inline const QString Plantilla = QStringLiteral("Cobranzia.rpt");
inline const QString FormulaArchivo = QStringLiteral("Archivo = ");
inline const QString FormulaHash = QStringLiteral("Hash = ");
inline const QString Seleccion = QStringLiteral("{dao.t_archivo} = ");
inline const QString TituloVentana = QStringLiteral("Listado de Cobranzia");
inline const QString ExtensionReporte = QStringLiteral(".rpt");
inline const QString FiltroReportes = QStringLiteral("Reportes|*.rpt");
inline constexpr int FlagsDialogo = 524292; // Explorer style, read-only box hidden
inline constexpr int DestinoVentana = 0;
inline constexpr int DestinoArchivo = 2;
inline constexpr int VentanaMaximizada = 2;
} // namespace TextosListado
