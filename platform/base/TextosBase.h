#pragma once

#include <QString>

// The database layer's messages.
namespace TextosBase {

// Opening the program's database file.
inline const QString SinArchivo = QStringLiteral("No se encontró el archivo de base de datos '%1'");
inline const QString NoEsArchivo = QStringLiteral("'%1' no es un archivo de base de datos");
inline const QString ArchivoSoloLectura =
    QStringLiteral("El archivo de base de datos '%1' es de solo lectura o no se puede escribir");
inline const QString ContrasenaNoValida = QStringLiteral("No es una contraseña válida.");

// Statements.
inline const QString InstruccionVacia = QStringLiteral("La instrucción SQL está vacía");
inline const QString RestoTrasInstruccion =
    QStringLiteral("Se encontraron caracteres después del final de la instrucción SQL");
inline const QString InstruccionNoValida = QStringLiteral("La instrucción SQL no es válida: %1");

// The connection object.
inline const QString YaAbierta = QStringLiteral("La conexión ya está abierta");
inline const QString Cerrada = QStringLiteral("La conexión está cerrada");
inline const QString TransaccionEnCurso = QStringLiteral("Ya hay una transacción en curso");
inline const QString SinTransaccion = QStringLiteral("No hay ninguna transacción en curso");

// The server.
inline const QString CadenaNoValida =
    QStringLiteral("La cadena de conexión del servidor no es válida");
inline const QString CadenaConContrasena =
    QStringLiteral("La cadena de conexión del servidor lleva una contraseña: guárdela en "
                   "~/.pgpass (o en el archivo que nombre PGPASSFILE) y quítela de la cadena");
inline const QString ArchivoNoOrdinario =
    QStringLiteral("%1 nombra «%2», que no es un archivo ordinario sino %3: libpq se quedaría "
                   "esperando al leerlo. Nombre un archivo ordinario");
inline const QString EsFifo = QStringLiteral("una FIFO");
inline const QString EsCarpeta = QStringLiteral("una carpeta");
inline const QString EsSocket = QStringLiteral("un socket");
inline const QString EsDispositivo = QStringLiteral("un dispositivo");
inline const QString ServicioLegible =
    QStringLiteral("El archivo de servicios «%1» guarda la contraseña del servicio «%2» y otros "
                   "usuarios pueden leerlo o cambiarlo: libpq no acepta así una contraseña. "
                   "Déjelo solo para su dueño con: chmod 600 %1");
inline const QString EnteroNoValido = QStringLiteral("%1 no es un número entero: «%2»");
inline const QString SinRespuesta = QStringLiteral("el servidor no respondió en %1 s");
inline const QString ConexionInterrumpida =
    QStringLiteral("se dejó de esperar al servidor: el proceso recibió una señal de terminación");
inline const QString SinCancelar = QStringLiteral("el servidor no atendió la cancelación en %1 s");
inline const QString FaltanTablas =
    QStringLiteral("Faltan las tablas del programa en la base de datos %1 y el usuario %2 no "
                   "puede crearlas (%3). Un administrador puede crearlas con:\n\n%4%5");
inline const QString FaltanPermisos =
    QStringLiteral("El usuario %1 no tiene estos permisos en la base de datos %2: %3. Un "
                   "administrador puede concederlos con:\n\n%4");
inline const QString TablasTemporales =
    QStringLiteral("La cadena de conexión del servidor deja temporales las tablas del programa "
                   "(%1): sus filas se perderían al cerrar la conexión. Quite de la cadena el "
                   "search_path que nombra pg_temp");
inline const QString ColumnasFaltantes =
    QStringLiteral("La tabla %1 de la base de datos %2 no es la del programa: le faltan las "
                   "columnas %3. Un administrador puede apartarla y crear la del programa "
                   "con:\n\nALTER TABLE %1 RENAME TO %4;\n%5%6");
inline const QString VersionPosterior =
    QStringLiteral("La base de datos es de una versión posterior del programa (versión %1 de "
                   "sus tablas); actualice el programa");

inline const QString HistorialRetenido =
    QStringLiteral("Otra sesión del servidor retiene el historial de corridas (la fila "
                   "«/historial» de Corridas) desde hace más de %1 s; vuelva a intentarlo cuando "
                   "la suelte");

// The reasons for the engines' result codes.
inline const QString Bloqueada = QStringLiteral("La base de datos está bloqueada por otro proceso");
inline const QString BaseSoloLectura = QStringLiteral("La base de datos es de solo lectura");
inline const QString DiscoLleno = QStringLiteral("No queda espacio en el disco");
inline const QString FormatoDesconocido =
    QStringLiteral("No se reconoce el formato de la base de datos");
inline const QString NoSeAbre = QStringLiteral("No se pudo abrir el archivo de base de datos");
inline const QString ErrorEntradaSalida =
    QStringLiteral("Error de lectura o escritura en la base de datos");
inline const QString PermisoDenegado = QStringLiteral("Permiso denegado sobre la base de datos");
inline const QString ErrorBase = QStringLiteral("Error de la base de datos");

// A server's condition by SQLSTATE, or by its class (the first two
// characters) when the exact state is not here.
struct RazonEstado {
    const char* estado;
    const char* razon;
};
inline constexpr RazonEstado RazonesPostgres[] = {
    {"08001", "No se pudo conectar con el servidor de base de datos"},
    {"28P01", "La contraseña del usuario no es válida, o no está guardada en ~/.pgpass, en el "
              "archivo que indica PGPASSFILE ni en un archivo de servicio"},
    {"28000", "El servidor no admite a este usuario"},
    {"3D000", "No existe la base de datos"},
    {"42501", "El usuario no tiene permiso para esta operación"},
    {"42P01", "No existe la tabla"},
    {"42703", "No existe la columna"},
    {"55P03", "La base de datos está bloqueada por otro proceso"},
    {"57014", "La instrucción superó el tiempo máximo de espera y se canceló"},
    {"57P01", "El servidor de base de datos se detuvo"},
    {"57P02", "El servidor de base de datos se detuvo"},
    {"57P03", "El servidor de base de datos está arrancando o deteniéndose"},
    {"40001", "Otro proceso cambió los mismos datos a la vez; vuelva a intentarlo"},
    {"40P01", "Dos procesos se esperaban mutuamente y se canceló este; vuelva a intentarlo"},
    {"25006", "La base de datos es de solo lectura"},
    {"25P02", "La transacción ya había fallado y sus cambios se descartan"},
    {"53100", "No queda espacio en el disco del servidor"},
    {"53300", "El servidor de base de datos no admite más conexiones"},
};
inline constexpr RazonEstado RazonesClasePostgres[] = {
    {"08", "Se perdió la conexión con el servidor de base de datos"},
    {"22", "Un dato no es válido para la base de datos"},
    {"23", "Los datos no cumplen las reglas de la tabla"},
    {"40", "La transacción se deshizo por un conflicto con otro proceso"},
    {"42", "La instrucción SQL no es válida"},
    {"53", "Al servidor de base de datos le faltan recursos"},
    {"58", "Error de lectura o escritura en el servidor de base de datos"},
    {"XX", "Error interno del servidor de base de datos"},
};

} // namespace TextosBase
