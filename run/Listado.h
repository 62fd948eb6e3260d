#pragma once

#include <QString>

class ControlReporte;
class Programa;

// Gives the report control every value of the listing of one file, in order,
// for the given destination (ControlReporte::DestinoVentana or DestinoArchivo): the program's own
// database, the program's template, the formula fields Archivo and Hash, the
// selection of the file's rows (those of the run `corrida` when given), the
// title and the maximised window.
void PrepararListado(ControlReporte& rpt, const Programa& programa, const QString& strArchivo,
                     const QString& strHash, const QString& corrida, int destino);

// Prints the listing `rpt` holds, and raises the engine's last error when it failed.
void Imprimir(ControlReporte& rpt);

// Writes the listing of one file's rows of the run `corrida`, with its name and
// control code, as a PDF file. Raises the report engine's error when it fails.
void EscribirListadoPdf(const Programa& programa, const QString& strArchivo, const QString& strHash,
                        const QString& corrida, const QString& salida);

// The ODBC connection string of the program's own database: the file by its
// path, or the server the program is connected to.
QString CadenaListado(const Programa& programa);

// Refuses, before any run, a PDF target that would destroy something or that
// could not be written: a file of the program's, present or not (the database
// and its journal, WAL and shared memory, the settings file, the template, the
// md5 library, the executable, the ODBC settings), the debit file `lote`, an
// existing target that is not an ordinary file (a device, a pipe, a folder, a
// link) or that the user may not write, and a target in a folder that is
// missing, is not a folder or takes no new file. Raises error 75 with the
// reason, the system's own where there is one.
void ComprobarDestinoListado(const Programa& programa, const QString& lote, const QString& salida);

// The file name as the run stores it: without leading and trailing spaces.
QString NombreGuardado(const QString& strArchivo);

namespace TextosListado {
inline const QString FormulaArchivo = QStringLiteral("Archivo = ");
inline const QString FormulaHash = QStringLiteral("Hash = ");
inline const QString Seleccion = QStringLiteral("{dao.t_archivo} = ");
inline const QString TituloVentana = QStringLiteral("Listado de Cobranzia");
inline const QString ExtensionReporte = QStringLiteral(".rpt");
inline const QString FiltroReportes = QStringLiteral("Reportes|*.rpt");
inline constexpr int FlagsDialogo = 524292; // Explorer style, read-only box hidden
inline constexpr int VentanaMaximizada = 2;
inline const QString NoSeEscribe = QStringLiteral("No se escribe el listado en «%1»: %2");
inline const QString CarpetaInexistente = QStringLiteral("la carpeta «%1» no existe (%2)");
inline const QString NoEsCarpeta = QStringLiteral("«%1» no es una carpeta (%2)");
inline const QString CarpetaInaccesible = QStringLiteral("no se puede usar la carpeta «%1» (%2)");
inline const QString CarpetaSinEscritura =
    QStringLiteral("no se puede crear un archivo en la carpeta «%1» (%2)");
inline const QString SoloLectura =
    QStringLiteral("el archivo existe y no se puede escribir en él (%1)");
inline const QString Enlace = QStringLiteral("es un enlace simbólico");
inline const QString NoOrdinario = QStringLiteral("no es un archivo ordinario");
inline const QString Diario =
    QStringLiteral("es un archivo de trabajo de la base de datos (diario, WAL o memoria "
                   "compartida), que la base borra o reescribe");
inline const QString EsLote = QStringLiteral("es el archivo de débitos que se procesa");
inline const QString EsBase = QStringLiteral("es la base de datos del programa");
inline const QString EsIni = QStringLiteral("es el archivo de configuración del programa");
inline const QString EsPlantilla = QStringLiteral("es la plantilla del listado");
inline const QString EsBiblioteca = QStringLiteral("es la biblioteca md5 del programa");
inline const QString EsPrograma = QStringLiteral("es el programa");
inline const QString EsOdbc = QStringLiteral("es la configuración ODBC del usuario");
} // namespace TextosListado
