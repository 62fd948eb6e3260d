#include "app/frmPrincipal.h"

#include "app/TextosHistorial.h"
#include "app/frmHistorial.h"
#include "platform/gui/Puntero.h"
#include "platform/proceso/ErrorEjecucion.h"
#include "platform/proceso/Mensajes.h"
#include "platform/proceso/TextoVisible.h"
#include "run/CorridaControl.h"
#include "run/Programa.h"

#include <memory>

namespace {

// The dialog over the history's first page; nothing, after the message, when
// it cannot be read.
frmHistorial* AbrirHistorial(const Programa& programa, QWidget* padre) {
    EstablecerPuntero(PunteroReloj);
    QString motivo;
    try {
        if (!programa.gConexion())
            throw ErrorSistema(Errores::ObjetoNoEstablecido);
        auto dialogo = std::make_unique<frmHistorial>(*programa.gConexion(), padre);
        dialogo->Leer();
        EstablecerPuntero(PunteroPredeterminado);
        return dialogo.release();
    } catch (const ErrorEjecucion& e) {
        motivo = TextoVisible(e.Descripcion());
    } catch (const std::bad_alloc&) {
        motivo = TextosCorrida::MemoriaInsuficiente;
    }
    EstablecerPuntero(PunteroPredeterminado);
    MsgBox(TextosHistorial::NoSeLee.arg(motivo), IconoMensaje::Critico);
    return nullptr;
}

} // namespace

void frmPrincipal::VerHistorial() {
    // Between runs only, and one history at a time.
    if (corriendo_ || findChild<frmHistorial*>())
        return;
    auto* dialogo = AbrirHistorial(programa_, this);
    if (!dialogo)
        return;
    dialogo->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialogo, &QDialog::accepted, this, [this, dialogo] {
        const CorridaHistorial elegida = dialogo->Elegida();
        ImprimirListado(elegida.archivo, elegida.codigo, elegida.corrida);
    });
    dialogo->open();
}
