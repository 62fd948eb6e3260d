#include "app/frmPrincipal.h"

#include "app/TextosVentana.h"

#include "platform/gui/ProgresoVentana.h"
#include "platform/gui/Puntero.h"
#include "platform/proceso/Cantidad.h"
#include "platform/proceso/ErrorEjecucion.h"
#include "platform/proceso/Mensajes.h"
#include "platform/proceso/TextoVisible.h"
#include "run/CorridaControl.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QScopeGuard>

#include <algorithm>

namespace {

// The pause between the run and its listing.
constexpr unsigned long kPausaListado = 2000;

QString TextoProgreso(const ProgresoCorrida& p, qint64 transcurrido) {
    // Before its first line the run clears the file's earlier rows, or waits
    // for another run of the same file to end.
    if (p.lineas == 0)
        return TextosVentana::Preparando;
    QString texto = TextosVentana::Leidas.arg(p.Lineas()).arg(p.Porcentaje());
    if (const qint64 quedan = p.SegundosRestantes(transcurrido); quedan >= 0)
        texto += TextosVentana::Quedan.arg(TextoCantidad(quedan));
    return texto;
}

} // namespace

// The run under its progress window, which also lets the operator stop it.
ResultadoCorrida frmPrincipal::Correr() {
    ProgresoVentana progreso(this);
    return EjecutarCorrida(programa_, txtRutaArchivo->text(), [&](const ProgresoCorrida& p) {
        return progreso.Avanzar(p.leidos, p.tamano, [&] {
            return TextoProgreso(p, progreso.Transcurrido());
        }) && !cancelar_;
    });
}

// The listing shows after a pause, during which it is read.
void frmPrincipal::Listar(const ResultadoCorrida& corrida) {
    QElapsedTimer pausa;
    pausa.start();
    AnticiparListado(corrida.strArchivo, corrida.strHash, corrida.corrida);
    Sleep(kPausaListado - std::min<qint64>(kPausaListado, pausa.elapsed()));
    EstablecerPuntero(PunteroPredeterminado);
    ImprimirListado(corrida.strArchivo, corrida.strHash, corrida.corrida);
}

void frmPrincipal::cmdAceptar_Click() {
    // The window handles its events during a run: a second click waits for none.
    if (corriendo_)
        return;
    corriendo_ = true;
    cancelar_ = cerrarAlTerminar_ = confirmada_ = false;
    const auto fin = qScopeGuard([this] {
        corriendo_ = false;
        if (cerrarAlTerminar_)
            close();
    });
    try {
        EstablecerPuntero(PunteroReloj);
        const ResultadoCorrida corrida = Correr();
        // Committed: a request to close now waits for the listing.
        confirmada_ = true;
        cerrarAlTerminar_ = false;
        Listar(corrida);
    } catch (const ErrorEjecucion& e) {
        EstablecerPuntero(PunteroPredeterminado);
        if (e.Numero() == ErrorCorridaCancelada)
            MsgBox(e.Descripcion(), IconoMensaje::Exclamacion);
        else
            MsgBox(MensajeErrorCorrida(e.Numero(), TextoVisible(e.Descripcion())));
    } catch (const std::bad_alloc&) {
        EstablecerPuntero(PunteroPredeterminado);
        MsgBox(MensajeErrorCorrida(7, TextosCorrida::MemoriaInsuficiente));
    }
}
