#pragma once

#include <QString>

#include <functional>

// Message boxes. The box itself belongs to the window layer, which installs its
// presenter at start; without one (batch mode) the text goes to standard error.
// Tests install a presenter that records the texts and answers at once.
enum class IconoMensaje { Ninguno, Exclamacion, Critico };

// The application title, shown on boxes that have no caption of their own.
inline const QString TituloAplicacion = QStringLiteral("Cobranzia");

using PresentadorMensajes = std::function<void(const QString& texto, IconoMensaje icono)>;

// Shows one box with an OK button, the given icon and the application title.
void MsgBox(const QString& texto, IconoMensaje icono = IconoMensaje::Ninguno);

// Returns the presenter that was installed before.
PresentadorMensajes EstablecerPresentadorMensajes(PresentadorMensajes presentador);
