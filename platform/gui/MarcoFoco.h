#pragma once

#include <QColor>

#include <initializer_list>

class QPainter;
class QPalette;
class QRect;

// The colour that marks the focus among `fondos`, the colours it lies on and
// beside: the palette's highlight while it stands out from all of them (3:1
// at least), otherwise whichever of the palette's inks, or black or white,
// stands out most from the least distinct of them.
QColor ColorFoco(const QPalette& paleta, std::initializer_list<QColor> fondos);

// A frame two pixels wide just inside `rect`, in ColorFoco.
void PintarMarcoFoco(QPainter& pintor, const QRect& rect, const QPalette& paleta,
                     std::initializer_list<QColor> fondos);
