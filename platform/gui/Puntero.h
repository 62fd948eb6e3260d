#pragma once

// The application-wide mouse pointer: 11 is the hourglass, 0 the default.
inline constexpr int PunteroPredeterminado = 0;
inline constexpr int PunteroReloj = 11;

void EstablecerPuntero(int valor);
int PunteroActual();

// Waits on the user-interface thread, as the system's Sleep does, while the
// windows go on painting.
void Sleep(unsigned long milisegundos);
