#include "app/frmPrincipal.h"

#include "platform/ErrorEjecucion.h"
#include "platform/Mensajes.h"
#include "platform/TextoVisible.h"
#include "platform/gui/Puntero.h"
#include "run/CorridaControl.h"

#include <QLineEdit>

namespace {
// The pause between the run and its listing.
constexpr unsigned long kPausaListado = 2000;
} // namespace

void frmPrincipal::cmdAceptar_Click() {
    try {
        EstablecerPuntero(PunteroReloj);
        ResultadoCorrida corrida = EjecutarCorrida(programa_, txtRutaArchivo->text());
        Sleep(kPausaListado);
        EstablecerPuntero(PunteroPredeterminado);
        ImprimirListado(corrida.strArchivo, corrida.strHash, corrida.corrida);
    } catch (const ErrorEjecucion& e) {
        EstablecerPuntero(PunteroPredeterminado);
        MsgBox(MensajeErrorCorrida(e.Numero(), TextoVisible(e.Descripcion())));
    } catch (const std::bad_alloc&) {
        EstablecerPuntero(PunteroPredeterminado);
        MsgBox(MensajeErrorCorrida(7, QStringLiteral("Memoria insuficiente")));
    }
}
