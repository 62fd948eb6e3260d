#pragma once

#include <QString>

class QWidget;

// Selects the whole text of an edit control (a "TextBox", "dtText" or
// "MaskEdBox"); any other control is left alone.
void SeleccionarTexto(QWidget* Objeto);

// The control's type name as the helper above compares it: a line edit is a
// "TextBox", a label a "Label"; anything else gives its class name.
QString NombreTipo(const QWidget* Objeto);
