#pragma once

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
inline constexpr int16_t Salida = 20540;
inline constexpr int16_t DestinoNoValido = 20545;
} // namespace ErroresReporte

namespace TextosReporte {
inline constexpr char ArchivoNoEncontrado[] = "No se encontró el archivo de reporte «%1».";
inline constexpr char ArchivoNoLegible[] = "No se pudo abrir el archivo de reporte «%1»: %2";
inline constexpr char PlantillaNoValida[] =
    "El archivo «%1» no es una plantilla de reporte válida: %2";
inline constexpr char PlantillaVacia[] = "el archivo está vacío";
inline constexpr char PlantillaNoJson[] = "el contenido no es JSON válido (carácter %1)";
inline constexpr char PlantillaNoObjeto[] = "el contenido no es un objeto JSON";
inline constexpr char PlantillaFormato[] = "no declara el formato «%1»";
inline constexpr char PlantillaFalta[] = "falta «%1» o no tiene el tipo esperado";
inline constexpr char PlantillaNombre[] = "«%1» no es un nombre válido";
inline constexpr char PlantillaTamano[] = "el tamaño de página «%1» no se conoce";
inline constexpr char PlantillaOrientacion[] = "la orientación «%1» no se conoce";
inline constexpr char PlantillaMedida[] = "la medida «%1» está fuera de rango";
inline constexpr char PlantillaMarcador[] = "el marcador «{%1}» no se conoce";
inline constexpr char PlantillaSinSitio[] = "la página no deja sitio para el detalle";

inline constexpr char FormulaNoValida[] = "No se puede leer la fórmula «%1»: %2";
inline constexpr char FormulaEsperado[] = "se esperaba «%1» en el carácter %2";
inline constexpr char FormulaSinCierre[] = "falta el apóstrofo que cierra el texto";
inline constexpr char FormulaSobrante[] = "sobra «%1» tras el valor";
inline constexpr char FormulaNombre[] = "falta un nombre válido en el carácter %1";
inline constexpr char FormulaNoDeclarada[] = "La fórmula «%1» no existe en la plantilla.";
inline constexpr char FormulaIndice[] = "No existe la fórmula número %1 de la plantilla.";

inline constexpr char OrigenDatos[] = "No se pudo abrir el origen de datos «%1»: %2";
inline constexpr char TablaNoDeclarada[] = "La tabla «%1» no está declarada en la plantilla.";
inline constexpr char TablaNoExiste[] = "La tabla «%1» no existe en el origen de datos.";
inline constexpr char CampoNoExiste[] = "El campo «%1.%2» no existe en la tabla «%3».";
inline constexpr char LecturaDatos[] = "No se pudieron leer las filas del listado: %1";

inline constexpr char PdfNoEscrito[] = "No se pudo escribir el archivo «%1»: %2";
inline constexpr char SalidaNoIniciada[] =
    "No se pudo empezar a imprimir el listado ni a escribirlo.";
inline constexpr char DestinoNoValido[] = "El destino %1 del reporte no es válido.";
inline constexpr char SinArchivoPdf[] = "No se indicó el archivo PDF de destino.";
} // namespace TextosReporte
