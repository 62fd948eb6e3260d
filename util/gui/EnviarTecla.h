#pragma once

#include <QString>

// Queues one press and release of Tab for the widget that has the focus; they
// are handled after the current event, so the focus moves on as Tab moves it.
// The key is always Tab, whatever `Tecla` holds.
void EnviarTecla(const QString& Tecla);
