#include "app/frmPrincipal.h"

#include "platform/proceso/Cantidad.h"
#include "platform/proceso/ErrorEjecucion.h"
#include "platform/proceso/Mensajes.h"
#include "platform/proceso/TextoVisible.h"
#include "platform/gui/ProgresoVentana.h"
#include "platform/gui/Puntero.h"
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
        return QStringLiteral("Preparando la base de datos…");
    QString texto = QStringLiteral("Leídas %1 líneas: %2 %").arg(p.Lineas()).arg(p.Porcentaje());
    if (const qint64 quedan = p.SegundosRestantes(transcurrido); quedan >= 0)
        texto += QStringLiteral("\nQuedan unos %1 s").arg(TextoCantidad(quedan));
    return texto;
}

} // namespace

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
        ResultadoCorrida corrida;
        {
            ProgresoVentana progreso(this);
            corrida =
                EjecutarCorrida(programa_, txtRutaArchivo->text(), [&](const ProgresoCorrida& p) {
                    return progreso.Avanzar(p.leidos, p.tamano, [&] {
                        return TextoProgreso(p, progreso.Transcurrido());
                    }) && !cancelar_;
                });
        }
        // Committed: a request to close now waits for the listing.
        confirmada_ = true;
        cerrarAlTerminar_ = false;
        // The listing is read during the pause and shows when it ends.
        QElapsedTimer pausa;
        pausa.start();
        AnticiparListado(corrida.strArchivo, corrida.strHash, corrida.corrida);
        Sleep(kPausaListado - std::min<qint64>(kPausaListado, pausa.elapsed()));
        EstablecerPuntero(PunteroPredeterminado);
        ImprimirListado(corrida.strArchivo, corrida.strHash, corrida.corrida);
    } catch (const ErrorEjecucion& e) {
        EstablecerPuntero(PunteroPredeterminado);
        if (e.Numero() == ErrorCorridaCancelada)
            MsgBox(e.Descripcion(), IconoMensaje::Exclamacion);
        else
            MsgBox(MensajeErrorCorrida(e.Numero(), TextoVisible(e.Descripcion())));
    } catch (const std::bad_alloc&) {
        EstablecerPuntero(PunteroPredeterminado);
        MsgBox(MensajeErrorCorrida(7, QStringLiteral("Memoria insuficiente")));
    }
}
