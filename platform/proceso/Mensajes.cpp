#include "platform/proceso/Mensajes.h"

#include "platform/proceso/TextoVisible.h"

#include <QStringList>

#include <cstdio>
#include <utility>

namespace {
PresentadorMensajes& Presentador() {
    static PresentadorMensajes presentador;
    return presentador;
}
} // namespace

void MsgBox(const QString& textoDado, IconoMensaje icono) {
    // Whatever a message quotes, a terminal or a box shows it and obeys none of it.
    QStringList lineas = textoDado.split(u'\n');
    for (QString& linea : lineas)
        linea = TextoVisible(linea);
    const QString texto = lineas.join(u'\n');
    if (Presentador()) {
        Presentador()(texto, icono);
        return;
    }
    // A message that cannot be written has nowhere else to go.
    (void)std::fprintf(stderr, "%s\n", texto.toLocal8Bit().constData());
    (void)std::fflush(stderr);
}

PresentadorMensajes EstablecerPresentadorMensajes(PresentadorMensajes presentador) {
    return std::exchange(Presentador(), std::move(presentador));
}
