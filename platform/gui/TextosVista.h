#pragma once

// The texts of the listing's preview window.
namespace TextosVista {
inline constexpr char Imprimir[] = "&Imprimir...";
inline constexpr char GuardarPdf[] = "&Guardar como PDF...";
inline constexpr char Acercar[] = "Acercar";
inline constexpr char Alejar[] = "Alejar";
inline constexpr char AjustarAncho[] = "Ajustar al ancho";
inline constexpr char AjustarPagina[] = "Página completa";
inline constexpr char Primera[] = "Primera página";
inline constexpr char Anterior[] = "Página anterior";
inline constexpr char Siguiente[] = "Página siguiente";
inline constexpr char Ultima[] = "Última página";
inline constexpr char DeTotal[] = " de %1";
inline constexpr char Barra[] = "Vista previa";
inline constexpr char TituloPdf[] = "Guardar como PDF";
inline constexpr char FiltroPdf[] = "Documentos PDF (*.pdf)";
inline constexpr char ExtensionPdf[] = ".pdf";
inline constexpr char NombrePdf[] = "Listado.pdf";
inline constexpr char Imprimiendo[] = "Imprimiendo el listado...";
inline constexpr char Guardando[] = "Guardando el listado como PDF...";
inline constexpr char Cancelar[] = "Cancelar";
inline constexpr char Listo[] = "Filas: %1    Páginas: %2";
} // namespace TextosVista
