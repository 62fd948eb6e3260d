#pragma once

#include "platform/Conexion.h"
#include "platform/SistemaArchivos.h"

#include <memory>

class frmPrincipal;
class InstanciaUnica;

// The program-wide objects.
extern std::unique_ptr<Conexion> gConexion;
extern std::unique_ptr<SistemaArchivos> gSistemaArchivos;
// The main window's global reference, cleared when the window unloads.
extern frmPrincipal* gPrincipal;

// The start-up procedure: single-instance guard, the connection, the report's
// data source, the main window. Returns false when another copy was running and
// was brought to the front. An error that no handler takes is thrown.
bool Main();

// Main, then the event loop while the window is open. An error that no handler
// takes gets the runtime's default report and a non-zero status.
int EjecutarPrograma();

// Releases what Main made (tests start it more than once in one process).
void TerminarPrograma();

namespace Textos {
inline constexpr char TituloVentana[] = "Generación de código de control";
inline constexpr char AvisoDsn[] = "No se pudo crear el DSN para el listado.";
inline constexpr char Proveedor[] = "Provider=Microsoft.Jet.OLEDB.4.0;";
inline constexpr char OrigenDatos[] = "Data Source=";
inline constexpr char ArchivoBase[] = "/Cobranzia.mdb;";
inline constexpr char Seguridad[] = "Persist Security Info=False;";
inline constexpr char Contrasena[] = "Jet OLEDB:Database Password=tornasolmivel";
} // namespace Textos

// The connection string joined from its six pieces for a program folder.
QString CadenaConexion(const QString& carpetaPrograma);
