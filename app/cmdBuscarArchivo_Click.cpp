#include "app/frmPrincipal.h"

#include "app/TextosVentana.h"
#include "platform/gui/DialogoComun.h"
#include "platform/proceso/Rutas.h"
#include "run/Programa.h"
#include "util/Ini.h"

#include <QLineEdit>

namespace {
// Explorer-style dialog; the file and its folder must exist.
constexpr int FlagsAbrir = 530432;
} // namespace

void frmPrincipal::cmdBuscarArchivo_Click() {
    // The window answers during a run, but a file is chosen only between runs:
    // the dialog would hold the run, and its database, until it closed.
    if (corriendo_)
        return;
    const QString strRuta = LeerIni(strArchivoIni, TextosVentana::SeccionIni,
                                    TextosVentana::ClaveUltRuta, CarpetaDocumentos());

    // A name left from an earlier choice (or from the listing's template
    // dialog) would come back on cancel and count as a new choice.
    dlgArchivo->FileName.clear();
    dlgArchivo->DefaultExt.clear();

    dlgArchivo->Flags = FlagsAbrir;
    dlgArchivo->Filter = TextosVentana::FiltroArchivos;
    dlgArchivo->InitDir = strRuta;
    dlgArchivo->ShowOpen();

    if (!dlgArchivo->FileName.isEmpty())
        ArchivoElegido(dlgArchivo->FileName);
}

void frmPrincipal::ArchivoElegido(const QString& archivo) {
    txtRutaArchivo->setText(archivo);
    EscribirIni(strArchivoIni, TextosVentana::SeccionIni, TextosVentana::ClaveUltRuta,
                programa_.gSistemaArchivos()->GetParentFolderName(archivo));
}
