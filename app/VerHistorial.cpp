#include "app/frmPrincipal.h"

#include "app/TextosHistorial.h"
#include "app/frmHistorial.h"
#include "platform/gui/Puntero.h"
#include "platform/proceso/ErrorEjecucion.h"
#include "platform/proceso/Mensajes.h"
#include "platform/proceso/TextoVisible.h"
#include "run/CorridaControl.h"
#include "run/Programa.h"

#include <optional>
#include <vector>

namespace {

// Every row of the history; nothing, after the message, when it cannot be read.
std::optional<std::vector<CorridaHistorial>> LeerHistorial(const Programa& programa) {
    try {
        EstablecerPuntero(PunteroReloj);
        if (!programa.gConexion())
            throw ErrorSistema(Errores::ObjetoNoEstablecido);
        std::vector<CorridaHistorial> filas = ModeloHistorial::Leer(*programa.gConexion());
        EstablecerPuntero(PunteroPredeterminado);
        return filas;
    } catch (const ErrorEjecucion& e) {
        EstablecerPuntero(PunteroPredeterminado);
        MsgBox(TextosHistorial::NoSeLee.arg(TextoVisible(e.Descripcion())), IconoMensaje::Critico);
    } catch (const std::bad_alloc&) {
        EstablecerPuntero(PunteroPredeterminado);
        MsgBox(TextosHistorial::NoSeLee.arg(TextosCorrida::MemoriaInsuficiente),
               IconoMensaje::Critico);
    }
    return std::nullopt;
}

} // namespace

void frmPrincipal::VerHistorial() {
    // Between runs only, and one history at a time.
    if (corriendo_ || findChild<frmHistorial*>())
        return;
    std::optional<std::vector<CorridaHistorial>> filas = LeerHistorial(programa_);
    if (!filas)
        return;
    auto* dialogo = new frmHistorial(std::move(*filas), this);
    dialogo->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialogo, &QDialog::accepted, this, [this, dialogo] {
        const CorridaHistorial elegida = dialogo->Elegida();
        ImprimirListado(elegida.archivo, elegida.codigo, elegida.corrida);
    });
    dialogo->open();
}
