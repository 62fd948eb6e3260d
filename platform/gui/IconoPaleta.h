#pragma once

#include <QIcon>
#include <QPalette>
#include <QString>

// The icon `nombre` for a toolbar of `paleta`: the desktop theme's while it
// stands out from the bar (3:1 at least), otherwise the program's own, drawn
// in the palette's text colour.
QIcon IconoPaleta(const QString& nombre, const QPalette& paleta);

// The contrast between two colours by their relative luminance, 1 to 21.
double Contraste(const QColor& a, const QColor& b);
