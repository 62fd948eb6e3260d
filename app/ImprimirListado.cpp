#include "app/frmPrincipal.h"

#include "app/TextosVentana.h"
#include "platform/archivos/SistemaArchivos.h"
#include "platform/gui/ControlReporteVentana.h"
#include "platform/gui/DialogoComun.h"
#include "platform/gui/Puntero.h"
#include "platform/proceso/ArchivosPrograma.h"
#include "platform/proceso/ErrorEjecucion.h"
#include "platform/proceso/Mensajes.h"
#include "platform/proceso/Rutas.h"
#include "platform/proceso/TextoVisible.h"
#include "run/Listado.h"
#include "run/Programa.h"
#include "util/Ini.h"

#include <QDir>
#include <QFileInfo>

namespace {

// Asks for the template; returns the chosen file, or an empty text when there is none.
QString PedirPlantilla(DialogoComun& dlgArchivo, const QString& carpeta) {
    dlgArchivo.DefaultExt = TextosListado::ExtensionReporte;
    dlgArchivo.CancelError = false;
    dlgArchivo.InitDir = carpeta;
    dlgArchivo.Flags = TextosListado::FlagsDialogo;
    dlgArchivo.FileName = ArchivosPrograma::Plantilla;
    dlgArchivo.Filter = TextosListado::FiltroReportes;
    dlgArchivo.ShowOpen();
    return ExisteArchivoOrdinario(dlgArchivo.FileName) ? dlgArchivo.FileName : QString();
}

// The listing saved as PDF is named after the debit file, in the folder of
// the last one saved.
VistaPrevia::DestinoPdf DestinoPdf(const QString& ini, const QString& archivo) {
    QString carpeta =
        LeerIni(ini, TextosVentana::SeccionIni, TextosVentana::ClaveUltRutaPdf, QString());
    if (!QFileInfo(carpeta).isDir())
        carpeta = CarpetaDocumentos();
    return {
        QDir(carpeta).filePath(QFileInfo(archivo).completeBaseName() + TextosVentana::ExtensionPdf),
        [ini](const QString& elegida) {
            EscribirIni(ini, TextosVentana::SeccionIni, TextosVentana::ClaveUltRutaPdf, elegida);
        }};
}

} // namespace

void frmPrincipal::AnticiparListado(const QString& strArchivo, const QString& strHash,
                                    const QString& corrida) {
    try {
        PrepararListado(*rpt, programa_, strArchivo, strHash, corrida,
                        ControlReporte::DestinoVentana);
        rpt->Anticipar();
    } catch (const ErrorEjecucion&) {
        // ImprimirListado meets the same failure and reports it.
    }
}

void frmPrincipal::ImprimirListado(const QString& strArchivo, const QString& strHash,
                                   const QString& corrida) {
    try {
        EstablecerPuntero(PunteroReloj);
        rpt->destinoPdf = DestinoPdf(strArchivoIni, strArchivo);
        PrepararListado(*rpt, programa_, strArchivo, strHash, corrida,
                        ControlReporte::DestinoVentana);
        Imprimir(*rpt);
        EstablecerPuntero(PunteroPredeterminado);
        return;
    } catch (const ErrorEjecucion& primero) {
        EstablecerPuntero(PunteroPredeterminado);
        ErrorEjecucion error = primero;
        // The template asked for while it is missing, retried with every
        // other value unchanged; any other failure in one message box.
        while (error.Numero() == ControlReporte::ErrorArchivoReporte) {
            const QString elegida = PedirPlantilla(*dlgArchivo, programa_.RutaPrograma());
            if (elegida.isEmpty())
                return;
            rpt->SetReportFileName(elegida);
            try {
                Imprimir(*rpt);
                return;
            } catch (const ErrorEjecucion& otro) {
                error = otro;
            }
        }
        // The run went through: the operator must know the rows and the code stand.
        MsgBox(TextoVisible(error.Descripcion()) + TextosVentana::FilasGuardadas.arg(strHash));
    }
}
