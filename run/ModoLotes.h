#pragma once

#include <memory>

struct LineaOrdenes;
class Programa;
class QCoreApplication;

// The program without its window, for schedulers and scripts:
//   cobranzia --procesar ARCHIVO [--listado SALIDA.pdf] [--datos CARPETA]
//   cobranzia --verificar CODIGO ARCHIVO
//   cobranzia --help | --version
// Exit status 0 on success, 1 when --verificar finds another code, 2 for any
// error or a bad call, with "cobranzia: " and the reason on standard error.

// Keeps Qt's own warnings off standard error, which carries only the
// program's errors. Called before the application object exists.
void SilenciarAvisosDeQt();

// The application object of batch mode, never one with widgets: a graphical
// one on the offscreen platform when a listing is to be drawn, else a core one.
std::unique_ptr<QCoreApplication> CrearAplicacionLotes(int& argc, char** argv,
                                                       const LineaOrdenes& linea);

// Runs what the command line asks for, on the program; the application object
// already exists.
int EjecutarModoLotes(Programa& programa, const LineaOrdenes& linea);

namespace Lotes {
inline constexpr int Exito = 0;
inline constexpr int CodigoDistinto = 1;
inline constexpr int Error = 2;
} // namespace Lotes
