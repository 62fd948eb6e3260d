#include "platform/Mensajes.h"

#include <cstdio>
#include <utility>

namespace {
PresentadorMensajes& Presentador() {
    static PresentadorMensajes presentador;
    return presentador;
}
} // namespace

void MsgBox(const QString& texto, IconoMensaje icono) {
    if (Presentador()) {
        Presentador()(texto, icono);
        return;
    }
    std::fprintf(stderr, "%s\n", texto.toLocal8Bit().constData());
    std::fflush(stderr);
}

PresentadorMensajes EstablecerPresentadorMensajes(PresentadorMensajes presentador) {
    return std::exchange(Presentador(), std::move(presentador));
}
