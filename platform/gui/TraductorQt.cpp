#include "platform/gui/TraductorQt.h"

#include <cstring>

namespace {
struct Traduccion {
    const char* contexto;
    const char* original;
    const char* espanol;
};
constexpr char kTipos[] = "QAbstractFileIconProvider";
constexpr char kSalida[] = "QPrintSettingsOutput";
constexpr Traduccion kTraducciones[] = {
    {kTipos, "Folder", "Carpeta"},
    {kTipos, "File", "Archivo"},
    {kTipos, "%1 File", "Archivo %1"},
    {kTipos, "Drive", "Unidad"},
    {kSalida, "Pages", "Páginas"},
    {kSalida, "Double Sided Printing", "Impresión a doble cara"},
    {kSalida, "Off", "Desactivada"},
    {kSalida, "Long side binding", "Encuadernación por el lado largo"},
    {kSalida, "Short side binding", "Encuadernación por el lado corto"},
    {kSalida,
     "Specify pages or ranges separated by commas. Ranges are specified by two numbers separated "
     "by a hyphen. E.g: 3,5-7,9 prints pages 3, 5, 6, 7 and 9.",
     "Indique páginas o intervalos separados por comas; un intervalo son dos números separados "
     "por un guion. Por ejemplo, 3,5-7,9 imprime las páginas 3, 5, 6, 7 y 9."},
    {"QPrintPropertiesDialog", "Advanced", "Avanzadas"},
};
} // namespace

QString TraductorQt::translate(const char* contexto, const char* texto, const char*, int) const {
    if (contexto == nullptr || texto == nullptr)
        return {};
    for (const Traduccion& t : kTraducciones)
        if (std::strcmp(contexto, t.contexto) == 0 && std::strcmp(texto, t.original) == 0)
            return QString::fromUtf8(t.espanol);
    return {};
}
