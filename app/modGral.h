#pragma once

#include <QString>

class InstanciaUnica;
class Programa;
class frmPrincipal;

// The start-up procedure: single-instance guard, the program's connection, the
// listing's data source, the main window. Returns the window, shown, or null
// when another copy was running and has been asked to come to the front. An
// error that no handler takes is thrown, and then no window is left.
frmPrincipal* Main(Programa& programa, InstanciaUnica& instancia);

// Main, then the event loop while the window is open. An error that no handler
// takes gets the runtime's default report and a non-zero status.
int EjecutarPrograma(Programa& programa);

namespace Textos {
inline const QString TituloVentana = QStringLiteral("Generación de código de control");
inline const QString AvisoDsn = QStringLiteral("No se pudo crear el DSN para el listado.");
} // namespace Textos
