#include "platform/gui/ProgresoVentana.h"

#include "platform/gui/TextosVista.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QProgressBar>
#include <QProgressDialog>
#include <QWidget>

#include <algorithm>

namespace {
// How often the window gets to handle its events: often enough to paint and
// answer, rarely enough to cost the task nothing.
constexpr qint64 kIntervalo = 50;
// How often the dialog's figures change: as often as a reader follows them.
constexpr qint64 kIntervaloTexto = 250;
constexpr int kEscala = 1000;
// From this point on, a task that at its pace so far will pass half a second
// shows its dialog now rather than when it gets there.
constexpr qint64 kAnticipo = 300;
// Room a title bar takes besides its title: the icon and the buttons.
constexpr int kMarcoTitulo = 160;
} // namespace

void PrepararDialogoProgreso(QProgressDialog& dialogo, const QString& titulo) {
    dialogo.setWindowTitle(titulo);
    // A title bar's font is often bold and larger than the window's.
    QFont negrita = dialogo.font();
    negrita.setBold(true);
    negrita.setPointSizeF(negrita.pointSizeF() * 1.2);
    dialogo.setMinimumWidth(QFontMetrics(negrita).horizontalAdvance(titulo) + kMarcoTitulo);
    if (auto* barra = dialogo.findChild<QProgressBar*>()) {
        barra->setAccessibleName(TextosVista::Progreso);
        barra->setAccessibleDescription(titulo);
    }
}

ProgresoVentana::ProgresoVentana(QWidget* ventana)
    : ventana_(ventana) {
    reloj_.start();
}

ProgresoVentana::~ProgresoVentana() {
    delete dialogo_.data();
}

bool ProgresoVentana::Avanzar(qint64 hechos, qint64 total, const std::function<QString()>& texto) {
    const qint64 ahora = reloj_.elapsed();
    if (ultimo_ >= 0 && ahora - ultimo_ < kIntervalo)
        return !(dialogo_ && dialogo_->wasCanceled());
    ultimo_ = ahora;
    const bool larga = ahora >= EsperaDialogo ||
                       (ahora >= kAnticipo &&
                        (hechos <= 0 || total <= 0 || ahora * total / hechos > EsperaDialogo));
    if (!dialogo_ && larga) {
        dialogo_ = new QProgressDialog(ventana_);
        dialogo_->setWindowModality(Qt::WindowModal);
        // A window manager names it after the window it belongs to.
        PrepararDialogoProgreso(*dialogo_, ventana_->windowTitle());
        dialogo_->setCancelButtonText(TextosVista::CancelarProgreso);
        dialogo_->setRange(0, kEscala);
        dialogo_->setMinimumDuration(0);
        dialogo_->setAutoClose(false);
        dialogo_->setAutoReset(false);
        dialogo_->show();
    }
    if (dialogo_ && (ultimoTexto_ < 0 || ahora - ultimoTexto_ >= kIntervaloTexto)) {
        ultimoTexto_ = ahora;
        dialogo_->setLabelText(texto());
        dialogo_->setValue(total > 0 ? int(std::clamp<qint64>(hechos * kEscala / total, 0, kEscala))
                                     : 0);
    }
    QCoreApplication::processEvents();
    return !(dialogo_ && dialogo_->wasCanceled());
}
