#pragma once

// The application-wide mouse pointer: 11 is the hourglass, 0 the default.
// Without a graphical application (batch mode) it does nothing.
inline constexpr int PunteroPredeterminado = 0;
inline constexpr int PunteroReloj = 11;

void EstablecerPuntero(int valor);
int PunteroActual();

// Blocks the calling thread, as the system's Sleep does.
void Sleep(unsigned long milisegundos);
