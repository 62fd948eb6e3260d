#include "platform/gui/TraductorTipos.h"

#include <cstring>

namespace {
struct Traduccion {
    const char* original;
    const char* espanol;
};
constexpr Traduccion kTipos[] = {
    {"Folder", "Carpeta"}, {"File", "Archivo"}, {"%1 File", "Archivo %1"}, {"Drive", "Unidad"}};
} // namespace

QString TraductorTipos::translate(const char* contexto, const char* texto, const char*, int) const {
    if (contexto == nullptr || texto == nullptr ||
        std::strcmp(contexto, "QAbstractFileIconProvider") != 0)
        return {};
    for (const Traduccion& t : kTipos)
        if (std::strcmp(texto, t.original) == 0)
            return QString::fromUtf8(t.espanol);
    return {};
}
