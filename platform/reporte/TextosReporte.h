#pragma once

#include <QString>

#include <cstdint>

// The report engine's error numbers and every text it shows.
namespace ErroresReporte {
// The report file cannot be found or opened.
inline constexpr int16_t ArchivoReporte = 20507;
inline constexpr int16_t PlantillaNoValida = 20510;
inline constexpr int16_t FormulaNoValida = 20515;
inline constexpr int16_t OrigenDatos = 20520;
inline constexpr int16_t TablaNoExiste = 20525;
inline constexpr int16_t CampoNoExiste = 20526;
inline constexpr int16_t LecturaDatos = 20530;
// The rows of the listing have been replaced by a later run.
inline constexpr int16_t Reemplazadas = 20535;
inline constexpr int16_t Salida = 20540;
inline constexpr int16_t DestinoNoValido = 20545;
} // namespace ErroresReporte

namespace TextosReporte {
inline const QString ArchivoNoEncontrado =
    QStringLiteral("No se encontró el archivo de reporte «%1».");
inline const QString ArchivoNoLegible =
    QStringLiteral("No se pudo abrir el archivo de reporte «%1»: %2");
inline const QString PlantillaNoValida =
    QStringLiteral("El archivo «%1» no es una plantilla de reporte válida: %2");
inline const QString NoEsArchivo = QStringLiteral("no es un archivo ordinario");
inline const QString PlantillaGrande =
    QStringLiteral("mide más de 1 MiB, demasiado para una plantilla");
inline const QString PlantillaVacia = QStringLiteral("el archivo está vacío");
inline const QString PlantillaNoJson =
    QStringLiteral("el contenido no es JSON válido (carácter %1)");
inline const QString PlantillaNoObjeto = QStringLiteral("el contenido no es un objeto JSON");
inline const QString PlantillaFormato = QStringLiteral("no declara el formato «%1»");
inline const QString PlantillaFalta = QStringLiteral("falta «%1» o no tiene el tipo esperado");
inline const QString PlantillaNombre = QStringLiteral("«%1» no es un nombre válido");
inline const QString PlantillaTamano = QStringLiteral("el tamaño de página «%1» no se conoce");
inline const QString PlantillaOrientacion = QStringLiteral("la orientación «%1» no se conoce");
inline const QString PlantillaMedida = QStringLiteral("la medida «%1» está fuera de rango");
inline const QString PlantillaMarcador = QStringLiteral("el marcador «{%1}» no se conoce");
inline const QString PlantillaSinSitio = QStringLiteral("la página no deja sitio para el detalle");

inline const QString FormulaNoValida = QStringLiteral("No se puede leer la fórmula «%1»: %2");
inline const QString FormulaEsperado = QStringLiteral("se esperaba «%1» en el carácter %2");
inline const QString FormulaSinCierre = QStringLiteral("falta el apóstrofo que cierra el texto");
inline const QString FormulaSobrante = QStringLiteral("sobra «%1» tras el valor");
inline const QString FormulaNombre = QStringLiteral("falta un nombre válido en el carácter %1");
inline const QString FormulaNoDeclarada =
    QStringLiteral("La fórmula «%1» no existe en la plantilla.");
inline const QString FormulaIndice =
    QStringLiteral("No existe la fórmula número %1 de la plantilla.");

inline const QString OrigenDatos = QStringLiteral("No se pudo abrir el origen de datos «%1»: %2");
inline const QString TablaNoDeclarada =
    QStringLiteral("La tabla «%1» no está declarada en la plantilla.");
inline const QString TablaNoExiste =
    QStringLiteral("La tabla «%1» no existe en el origen de datos.");
inline const QString CampoNoExiste = QStringLiteral("El campo «%1.%2» no existe en la tabla «%3».");
inline const QString Reemplazadas = QStringLiteral(
    "Las filas de «%1» ya no son las de este listado: una corrida posterior las reemplazó.");
inline const QString LecturaDatos = QStringLiteral("No se pudieron leer las filas del listado: %1");
inline const QString CampoGrande =
    QStringLiteral("una fila tiene %1 caracteres, más de los %2 de la línea más larga que guarda "
                   "una corrida; no la escribió el programa");

inline const QString PdfNoEscrito = QStringLiteral("No se pudo escribir el archivo «%1»: %2");
inline const QString SalidaNoIniciada =
    QStringLiteral("No se pudo empezar a imprimir el listado ni a escribirlo.");
inline const QString DestinoNoValido = QStringLiteral("El destino %1 del reporte no es válido.");
inline const QString SinArchivoPdf = QStringLiteral("No se indicó el archivo PDF de destino.");
} // namespace TextosReporte
