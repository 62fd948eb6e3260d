#pragma once

#include <QString>

#include <memory>

struct LineaOrdenes;
class Programa;
class QCoreApplication;

// The program without its window, for schedulers and scripts:
//   cobranzia --procesar ARCHIVO [--listado SALIDA.pdf] [--datos CARPETA]
//   cobranzia --verificar CODIGO ARCHIVO
//   cobranzia --historial [ARCHIVO] [--formato tabla|csv|json] [--desde/--hasta FECHA]
//   cobranzia --historial --comprobar
//   cobranzia --help | --version
// Exit status 0 on success, 1 when --verificar finds another code or the
// history's chain is broken or a listed row is damaged, 2 for any error or a bad call, with
// "cobranzia: " and the reason on standard error; 128 and the signal's number
// when SIGTERM, SIGHUP or SIGINT cancelled a run (rolled back, recorded as cancelled).

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
inline constexpr int CadenaRota = 1;
inline constexpr int FilasDanadas = 1;
inline constexpr int Error = 2;
// Plus the signal's number: a run ended by SIGTERM, SIGHUP or SIGINT, as a shell tells it.
inline constexpr int PorSenal = 128;
} // namespace Lotes

namespace TextosLotes {
inline const QString Ayuda = QStringLiteral(
    "Cobranzia: código de control de archivos de débitos.\n\n"
    "Sin opciones abre la ventana del programa; con un ARCHIVO, lo deja elegido en ella.\n\n"
    "  --procesar ARCHIVO        guarda las líneas de detalle de ARCHIVO en la base de datos\n"
    "                            e imprime su código de control\n"
    "  --listado SALIDA.pdf      con --procesar, escribe además el listado en SALIDA.pdf\n"
    "  --verificar CODIGO ARCHIVO\n"
    "                            calcula el código de control de ARCHIVO sin cambiar la base;\n"
    "                            estado 0 si coincide con CODIGO, 1 si no; dice además qué\n"
    "                            corridas completadas anteriores tuvieron el mismo contenido\n"
    "  --historial [ARCHIVO]     lista las corridas, de la más reciente a la más antigua, de\n"
    "                            todos los archivos o de los del nombre de ARCHIVO\n"
    "  --formato FORMATO         con --historial: tabla (por omisión), csv o json\n"
    "  --desde FECHA, --hasta FECHA\n"
    "                            con --historial: solo las corridas de esos días, incluidos\n"
    "                            (AAAA-MM-DD o DD/MM/AAAA)\n"
    "  --historial --comprobar   recorre la cadena del historial; estado 0 si está intacta,\n"
    "                            1 si está rota, y nombra la primera corrida que no sigue\n"
    "  --datos CARPETA           la carpeta de la base de datos y de la configuración\n"
    "                            (también COBRANZIA_DATOS; por omisión ~/.local/share/cobranzia)\n"
    "  --servidor CADENA         la base de datos de la oficina en un servidor PostgreSQL, con\n"
    "                            una cadena de conexión de libpq (también COBRANZIA_SERVIDOR)\n"
    "  --help                    muestra esta ayuda\n"
    "  --version                 muestra la versión\n\n"
    "Estado de salida: 0 bien, 1 código distinto (--verificar), cadena rota (--comprobar)\n"
    "o filas dañadas (--historial), 2 error.\n");
inline const QString SalidaFallida = QStringLiteral("No se pudo escribir en la salida estándar: ");
inline const QString Progreso = QStringLiteral("\rcobranzia: %1 % (%2 líneas)");
inline const QString Quedan = QStringLiteral(", quedan unos %1 s");
inline const QString ListadoFallido = QStringLiteral(
    "Las filas se guardaron y el código de control %1 es válido, pero el listado no: %2");
inline const QString NoEsCodigo =
    QStringLiteral("«%1» no es un código de control: son 32 dígitos hexadecimales");
inline const QString Comparacion = QStringLiteral("esperado:  %1\ncalculado: %2\n%3\n");
inline const QString Coincide = QStringLiteral("El código de control coincide.");
inline const QString NoCoincide = QStringLiteral("El código de control NO coincide.");
inline const QString Anteriores =
    QStringLiteral("Corridas completadas anteriores con el mismo contenido (SHA-256):\n");
inline const QString Anterior = QStringLiteral("  %1  «%2»  %3 en %4  código %5\n");
inline const QString NingunaAnterior =
    QStringLiteral("Ninguna corrida completada anterior tuvo este mismo contenido.\n");
inline const QString SinHistorial =
    QStringLiteral("cobranzia: no se pudo leer el historial de corridas: %1\n");
inline const QString SinBase =
    QStringLiteral("No hay base de datos en «%1»: ninguna corrida la creó todavía, o --datos o "
                   "COBRANZIA_DATOS nombra otra carpeta");
inline const QString CadenaIntacta =
    QStringLiteral("La cadena del historial está intacta: %1 corridas.\n");
inline const QString CadenaRota = QStringLiteral(
    "La cadena del historial está rota en la corrida %1 (%2, archivo «%3»): esa fila, o la "
    "anterior, se cambió, se borró o se agregó fuera del programa.\n");
} // namespace TextosLotes
