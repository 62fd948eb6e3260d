#include "app/frmPrincipal.h"
#include "run/Listado.h"

#include "platform/ErrorEjecucion.h"
#include "platform/Mensajes.h"
#include "platform/Programa.h"
#include "platform/Puntero.h"
#include "platform/SistemaArchivos.h"
#include "platform/gui/ControlReporte.h"
#include "platform/gui/DialogoComun.h"
#include "util/Recorte.h"

namespace {

QString T(const char* texto) {
    return QString::fromUtf8(texto);
}

// The listing, with the engine's failure raised as an error.
void Imprimir(ControlReporte& rpt) {
    rpt.PrintReport();
    if (rpt.LastErrorNumber() != 0)
        throw ErrorEjecucion(rpt.LastErrorNumber(), rpt.LastErrorString());
}

// Asks for the template; returns the chosen file, or an empty text when there is none.
QString PedirPlantilla(DialogoComun& dlgArchivo) {
    dlgArchivo.DefaultExt = T(TextosListado::ExtensionReporte);
    dlgArchivo.CancelError = false;
    dlgArchivo.InitDir = RutaPrograma();
    dlgArchivo.Flags = TextosListado::FlagsDialogo;
    dlgArchivo.FileName = T(TextosListado::Plantilla);
    dlgArchivo.Filter = T(TextosListado::FiltroReportes);
    dlgArchivo.ShowOpen();
    return ExisteArchivoOrdinario(dlgArchivo.FileName) ? dlgArchivo.FileName : QString();
}

// The error path: the template asked for while it is missing, retried with
// every other value unchanged; any other failure in one message box.
void ManejarError(ControlReporte& rpt, DialogoComun& dlgArchivo, ErrorEjecucion error) {
    EstablecerPuntero(PunteroPredeterminado);
    while (error.Numero() == ControlReporte::ErrorArchivoReporte) {
        const QString elegida = PedirPlantilla(dlgArchivo);
        if (elegida.isEmpty())
            return;
        rpt.SetReportFileName(elegida);
        try {
            Imprimir(rpt);
            return;
        } catch (const ErrorEjecucion& otro) {
            error = otro;
        }
    }
    MsgBox(error.Descripcion());
}

} // namespace

QString LiteralListado(const QString& texto) {
    QString literal = texto;
    literal.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + literal + QLatin1Char('\'');
}

QString NombreGuardado(const QString& strArchivo) {
    return RecortarEspacios(strArchivo).toString();
}

void PrepararListado(ControlReporte& rpt, const QString& strArchivo, const QString& strHash,
                     int destino) {
    // The rows are stored under the trimmed name; apostrophes are doubled
    // so that a name holding one still reads as one literal.
    const QString strSeleccion =
        T(TextosListado::Seleccion) + LiteralListado(NombreGuardado(strArchivo));
    rpt.SetConnect(T(TextosListado::Conexion));
    rpt.SetReportFileName(ArchivoDelPrograma(T(TextosListado::Plantilla)));
    rpt.SetFormulas(0, T(TextosListado::FormulaArchivo) + LiteralListado(strArchivo));
    rpt.SetFormulas(1, T(TextosListado::FormulaHash) + LiteralListado(strHash));
    rpt.SetDestination(destino);
    rpt.SetSelectionFormula(strSeleccion);
    rpt.SetWindowTitle(T(TextosListado::TituloVentana));
    rpt.SetWindowState(TextosListado::VentanaMaximizada);
}

void ImprimirListadoCon(ControlReporte& rpt, DialogoComun& dlgArchivo, QString& strArchivo,
                        QString& strHash) {
    try {
        EstablecerPuntero(PunteroReloj);
        PrepararListado(rpt, strArchivo, strHash, TextosListado::DestinoVentana);
        Imprimir(rpt);
        EstablecerPuntero(PunteroPredeterminado);
    } catch (const ErrorEjecucion& e) {
        ManejarError(rpt, dlgArchivo, e);
    }
}

void frmPrincipal::ImprimirListado(QString& strArchivo, QString& strHash) {
    ImprimirListadoCon(*rpt, *dlgArchivo, strArchivo, strHash);
}
