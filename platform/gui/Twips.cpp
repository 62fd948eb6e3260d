#include "platform/gui/Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace {

const QScreen* Pantalla(const QWidget* widget) {
    if (widget != nullptr && widget->screen() != nullptr)
        return widget->screen();
    return QGuiApplication::primaryScreen();
}

double PuntosPorPulgada(const QWidget* widget, bool horizontal) {
    const QScreen* pantalla = Pantalla(widget);
    if (pantalla == nullptr)
        return 96.0;
    const double ppp =
        horizontal ? pantalla->logicalDotsPerInchX() : pantalla->logicalDotsPerInchY();
    return ppp > 0 ? ppp : 96.0;
}

} // namespace

namespace Twips {

double PorPixelX(const QWidget* widget) {
    return PorPulgada / PuntosPorPulgada(widget, true);
}

double PorPixelY(const QWidget* widget) {
    return PorPulgada / PuntosPorPulgada(widget, false);
}

int APixelesX(double twips, const QWidget* widget) {
    return static_cast<int>(std::lround(twips / PorPixelX(widget)));
}

int APixelesY(double twips, const QWidget* widget) {
    return static_cast<int>(std::lround(twips / PorPixelY(widget)));
}

QRect Rectangulo(int izquierda, int arriba, int ancho, int alto, const QWidget* widget) {
    return QRect(APixelesX(izquierda, widget), APixelesY(arriba, widget), APixelesX(ancho, widget),
                 APixelesY(alto, widget));
}

} // namespace Twips
