#pragma once

#include <QString>

// The process layer's messages: the descriptions of the run-time errors.
namespace TextosProceso {
inline const QString LlamadaNoValida =
    QStringLiteral("Llamada a procedimiento o argumento no válido");
inline const QString Desbordamiento = QStringLiteral("Desbordamiento");
inline const QString ErrorCargaDll = QStringLiteral("Error al cargar la DLL");
inline const QString NombreArchivoIncorrecto =
    QStringLiteral("Nombre o número de archivo incorrecto");
inline const QString ArchivoNoEncontrado = QStringLiteral("No se encontró el archivo");
inline const QString ErrorES = QStringLiteral("Error de E/S en el dispositivo");
inline const QString FinDeArchivo = QStringLiteral("La entrada pasó del final del archivo");
inline const QString ObjetoNoEstablecido =
    QStringLiteral("Variable de objeto o bloque With no establecido");
inline const QString PermisoDenegado = QStringLiteral("Permiso denegado");
inline const QString AccesoRuta = QStringLiteral("Error de acceso a la ruta o al archivo");
inline const QString PuntoEntradaDll =
    QStringLiteral("No se encontró el punto de entrada de la DLL");
inline const QString ErrorAplicacion =
    QStringLiteral("Error definido por la aplicación o el objeto");
inline const QString CerrojoInservible = QStringLiteral("no se puede usar el cerrojo «%1»: %2");
inline const QString CerrojoAjeno =
    QStringLiteral("el cerrojo «%1» no es un archivo de este usuario solo: no se usa");
inline const QString CerrojoOcupado =
    QStringLiteral("otro programa tiene tomado el cerrojo «%1» y no lo soltó en %2 s");
inline const QString SinCarpetaPrivada =
    QStringLiteral("No hay una carpeta privada para los archivos propios del programa (%1): defina "
                   "XDG_RUNTIME_DIR como una carpeta suya con permisos 0700");
inline const QString CarpetaNoSegura =
    QStringLiteral("«%1» no es una carpeta de este usuario solo");
} // namespace TextosProceso
