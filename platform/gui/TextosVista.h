#pragma once

#include <QString>

// The texts of the window layer: the listing's preview, dialogs, progress, errors.
namespace TextosVista {
inline const QString Imprimir = QStringLiteral("&Imprimir...");
inline const QString GuardarPdf = QStringLiteral("&Guardar como PDF...");
inline const QString Acercar = QStringLiteral("Acercar");
inline const QString Alejar = QStringLiteral("Alejar");
inline const QString AjustarAncho = QStringLiteral("Ajustar al ancho");
inline const QString AjustarPagina = QStringLiteral("Página completa");
inline const QString Primera = QStringLiteral("Primera página");
inline const QString Anterior = QStringLiteral("Página anterior");
inline const QString Siguiente = QStringLiteral("Página siguiente");
inline const QString Ultima = QStringLiteral("Última página");
inline const QString Cerrar = QStringLiteral("Cerrar");
inline const QString DeTotal = QStringLiteral(" de %1");
inline const QString Pagina = QStringLiteral("Página");
inline const QString DescripcionPagina =
    QStringLiteral("Número de la página que se muestra; escriba otro y pulse Intro para ir a él");
inline const QString CopiarCodigo = QStringLiteral("Copiar código");
inline const QString CodigoControl = QStringLiteral("Código de control: %1");
inline const QString DescripcionCodigo =
    QStringLiteral("El código de control del archivo listado; se puede seleccionar y copiar");
inline const QString NombreLienzo = QStringLiteral("Página %1 de %2");
inline const QString NombreLienzoArchivo = QStringLiteral("%1 del listado de %2");
inline const QString DescripcionLienzoCodigo = QStringLiteral("Código de control: %1. %2");
inline const QString DescripcionLienzo = QStringLiteral(
    "Las páginas del listado; Av Pág y Re Pág pasan de página, Ctrl+Mayús+C copia el código");
inline const QString Barra = QStringLiteral("Vista previa");
inline const QString TituloPdf = QStringLiteral("Guardar como PDF");
inline const QString FiltroPdf = QStringLiteral("Documentos PDF (*.pdf)");
inline const QString ExtensionPdf = QStringLiteral(".pdf");
inline const QString NombrePdf = QStringLiteral("Listado.pdf");
inline const QString Imprimiendo = QStringLiteral("Imprimiendo el listado...");
inline const QString TituloImpresion = QStringLiteral("Imprimir");
inline const QString Progreso = QStringLiteral("Avance");
inline const QString Guardando = QStringLiteral("Guardando el listado como PDF...");
inline const QString Cancelar = QStringLiteral("Cancelar");
inline const QString Listo = QStringLiteral("Filas: %1    Páginas: %2");
inline const QString CancelarProgreso = QStringLiteral("&Cancelar");
inline const QString SeEligioCancelar = QStringLiteral("Se eligió Cancelar.");
inline const QString MemoriaInsuficiente = QStringLiteral("Memoria insuficiente");
inline const QString ErrorEnEjecucion = QStringLiteral("Error en tiempo de ejecución '%1':\n\n%2");
} // namespace TextosVista
