#pragma once

#include <QString>

class ControlReporte;
class DialogoComun;

// The listing of one file's rows in the report control's preview, with the
// recovery dialog when the template is missing. Every failure ends here, in
// the dialog or in one message box; the caller never sees an error.
// frmPrincipal::ImprimirListado runs it with the window's `rpt` and `dlgArchivo`.
void ImprimirListadoCon(ControlReporte& rpt, DialogoComun& dlgArchivo, QString& strArchivo,
                        QString& strHash);

// Gives the report control every value of the listing of one file, in order,
// for the given destination (0 preview, 2 PDF file).
void PrepararListado(ControlReporte& rpt, const QString& strArchivo, const QString& strHash,
                     int destino);

// A text as a formula literal: between apostrophes, each one inside doubled.
QString LiteralListado(const QString& texto);

// The file name as the run stores it: without leading and trailing spaces.
QString NombreGuardado(const QString& strArchivo);

namespace TextosListado {
inline constexpr char Conexion[] = "DSN=Cobranzia";
inline constexpr char Plantilla[] = "Cobranzia.rpt";
inline constexpr char FormulaArchivo[] = "Archivo = ";
inline constexpr char FormulaHash[] = "Hash = ";
inline constexpr char Seleccion[] = "{dao.t_archivo} = ";
inline constexpr char TituloVentana[] = "Listado de Cobranzia";
inline constexpr char ExtensionReporte[] = ".rpt";
inline constexpr char FiltroReportes[] = "Reportes|*.rpt";
inline constexpr int FlagsDialogo = 524292; // Explorer style, read-only box hidden
inline constexpr int DestinoVentana = 0;
inline constexpr int DestinoArchivo = 2;
inline constexpr int VentanaMaximizada = 2;
} // namespace TextosListado
