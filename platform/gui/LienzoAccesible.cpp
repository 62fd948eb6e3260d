#include "platform/gui/LienzoAccesible.h"

#include "platform/gui/LienzoPaginas.h"

#include <algorithm>

LienzoAccesible::LienzoAccesible(LienzoPaginas* lienzo)
    : QAccessibleWidget(lienzo, QAccessible::Document) {}

void* LienzoAccesible::interface_cast(QAccessible::InterfaceType tipo) {
    if (tipo == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(tipo);
}

QString LienzoAccesible::Texto() const {
    return static_cast<LienzoPaginas*>(widget())->TextoPagina();
}

QString LienzoAccesible::text(int desde, int hasta) const {
    const QString texto = Texto();
    desde = std::clamp(desde, 0, int(texto.size()));
    hasta = hasta < 0 ? int(texto.size()) : std::clamp(hasta, desde, int(texto.size()));
    return texto.mid(desde, hasta - desde);
}

int LienzoAccesible::characterCount() const {
    return int(Texto().size());
}

void LienzoAccesible::setCursorPosition(int posicion) {
    cursor_ = std::clamp(posicion, 0, characterCount());
}

void LienzoAccesible::selection(int, int* desde, int* hasta) const {
    *desde = *hasta = 0;
}

QString LienzoAccesible::attributes(int, int* desde, int* hasta) const {
    *desde = 0;
    *hasta = characterCount();
    return {};
}
