#pragma once

#include <QRect>

class QWidget;

// Measures in twips (1/1440 inch) and pixels of the screen, converted with the
// screen's logical resolution (15 twips a pixel at 96 dots per inch).
namespace Twips {

inline constexpr double PorPulgada = 1440.0;

// Twips per pixel across and down, for the screen that shows the widget (the
// primary screen when it has none yet).
double PorPixelX(const QWidget* widget = nullptr);
double PorPixelY(const QWidget* widget = nullptr);

// Whole pixels for a measure in twips, rounded to the nearest pixel.
int APixelesX(double twips, const QWidget* widget = nullptr);
int APixelesY(double twips, const QWidget* widget = nullptr);

// A rectangle given in twips, in pixels.
QRect Rectangulo(int izquierda, int arriba, int ancho, int alto, const QWidget* widget = nullptr);

} // namespace Twips
