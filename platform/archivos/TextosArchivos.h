#pragma once

#include <QString>

// The file layer's messages about the user's files and folders.
namespace TextosArchivos {
inline const QString NoOrdinario = QStringLiteral("no es un archivo ordinario");
inline const QString Enlace =
    QStringLiteral("es un enlace simbólico: no se escribe a través de él");
inline const QString SoloLectura = QStringLiteral("el archivo es de solo lectura");
inline const QString Grande = QStringLiteral("supera el máximo de %1 bytes que se leen");
inline const QString NoLeido = QStringLiteral("no se puede leer: %1");
inline const QString SinCarpeta = QStringLiteral("la carpeta «%1» no se puede usar: %2");
inline const QString CambioAjeno =
    QStringLiteral("otro programa lo cambió mientras se escribía; se intentó varias veces");
inline const QString NoSeEscribe = QStringLiteral("no se puede escribir: %1");
inline const QString ConfiguracionIlegible =
    QStringLiteral("No se puede leer la configuración «%1»: %2");
inline const QString CarpetaAjena =
    QStringLiteral("La carpeta de datos «%1» pertenece a otro usuario");
inline const QString CarpetaAbierta =
    QStringLiteral("La carpeta de datos «%1» admite que otros usuarios escriban en ella");
inline const QString BaseAjena = QStringLiteral("La base de datos «%1» pertenece a otro usuario");
inline const QString LineaLarga =
    QStringLiteral("La línea %1 del archivo %2 supera el máximo de %3 caracteres");
inline const QString FinesCR = QStringLiteral(
    "Las líneas del archivo %1 terminan solo en CR (retorno de carro, sin salto de línea LF), "
    "como en los Macintosh antiguos: conviértalo a fines de línea CR LF o LF y vuelva a "
    "procesarlo");
inline const QString NoEsArchivo = QStringLiteral(" (no es un archivo)");
inline const QString CarpetaNoCreada =
    QStringLiteral("No se pudo crear la carpeta de datos «%1»: %2");
inline const QString CarpetaInservible =
    QStringLiteral("No se puede usar la carpeta de datos «%1»: %2");
inline const QString CarpetaEsArchivo =
    QStringLiteral("No se puede usar la carpeta de datos «%1»: hay un archivo con ese nombre");
inline const QString CarpetaSoloLectura =
    QStringLiteral("No se puede escribir en la carpeta de datos «%1»");
inline const QString SinCarpetaPersonal =
    QStringLiteral("No se sabe cuál es la carpeta personal del usuario: falta HOME y la base de "
                   "usuarios no la da");
} // namespace TextosArchivos
