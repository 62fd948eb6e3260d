#include "util/gui/CentrarFormulario.h"

#include "platform/gui/Twips.h"
#include "platform/proceso/ErrorEjecucion.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>
#include <limits>

namespace {

// Rounds to the nearest integer, halves to the even neighbour, as the
// runtime's conversion to a 32-bit integer does.
int32_t RedondearPar(double valor) {
    double redondeado = std::round(valor);
    if (std::fabs(valor - std::trunc(valor)) == 0.5)
        redondeado = 2.0 * std::round(valor / 2.0);
    if (!std::isfinite(redondeado) || redondeado < std::numeric_limits<int32_t>::min() ||
        redondeado > std::numeric_limits<int32_t>::max())
        throw ErrorSistema(Errores::Desbordamiento);
    return static_cast<int32_t>(redondeado);
}

int32_t SumarSinDesbordar(int32_t a, int32_t b) {
    const int64_t suma = static_cast<int64_t>(a) + b;
    if (suma < std::numeric_limits<int32_t>::min() || suma > std::numeric_limits<int32_t>::max())
        throw ErrorSistema(Errores::Desbordamiento);
    return static_cast<int32_t>(suma);
}

QRect PantallaDe(const QWidget* ventana) {
    const QScreen* pantalla = ventana->screen();
    if (pantalla == nullptr)
        pantalla = QGuiApplication::primaryScreen();
    return pantalla != nullptr ? pantalla->geometry() : QRect();
}

} // namespace

int32_t PosicionCentrada(double pantalla, double ventana, int32_t desplazamiento) {
    const int32_t diferencia = RedondearPar(pantalla - ventana);
    return SumarSinDesbordar(diferencia / 2, desplazamiento);
}

void CentrarFormulario(QWidget* Formulario, const int32_t& DesplazamientoHorizontal,
                       const int32_t& DesplazamientoVertical) {
    const QRect pantalla = PantallaDe(Formulario);
    const QSize exterior = Formulario->frameGeometry().size();
    const double porPixelX = Twips::PorPixelX(Formulario);
    const double porPixelY = Twips::PorPixelY(Formulario);

    const int32_t top = PosicionCentrada(pantalla.height() * porPixelY,
                                         exterior.height() * porPixelY, DesplazamientoVertical);
    Formulario->move(Formulario->x(), pantalla.y() + Twips::APixelesY(top, Formulario));

    const int32_t left = PosicionCentrada(pantalla.width() * porPixelX,
                                          exterior.width() * porPixelX, DesplazamientoHorizontal);
    Formulario->move(pantalla.x() + Twips::APixelesX(left, Formulario), Formulario->y());
}
