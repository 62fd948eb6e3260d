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

// Chooses the data folder (`datos`, from --datos, may be empty) and the
// server (`servidor`, from --servidor, may be empty), then Main,
// then the event loop while the window is open. `archivo`, when given, is put
// in the path box as if chosen in the dialog, in this window or in the one
// already open for the same data folder. An error that no handler takes gets
// the runtime's default report and a non-zero status.
int EjecutarPrograma(Programa& programa, const QString& datos = QString(),
                     const QString& servidor = QString(), const QString& archivo = QString());
