#include "platform/gui/EstiloFoco.h"

#include "platform/gui/MarcoFoco.h"

#include <QAbstractItemView>
#include <QStyleOption>

void EstiloFoco::drawPrimitive(PrimitiveElement elemento, const QStyleOption* opcion,
                               QPainter* pintor, const QWidget* widget) const {
    const QPalette& p = opcion->palette;
    if (elemento == PE_FrameFocusRect) {
        const QPalette::ColorRole fondo = widget ? widget->backgroundRole() : QPalette::Window;
        PintarMarcoFoco(*pintor, opcion->rect, p, {p.color(fondo)});
        return;
    }
    QProxyStyle::drawPrimitive(elemento, opcion, pintor, widget);
    // A button's own mark is its outline, in the highlight beside the frame's grey.
    if (elemento == PE_PanelButtonCommand && opcion->state.testFlag(State_HasFocus))
        PintarMarcoFoco(*pintor, opcion->rect.adjusted(1, 1, -1, -1), p,
                        {p.color(QPalette::Button), p.color(QPalette::Mid)});
}

void EstiloFoco::drawControl(ControlElement elemento, const QStyleOption* opcion, QPainter* pintor,
                             const QWidget* widget) const {
    QProxyStyle::drawControl(elemento, opcion, pintor, widget);
    // A table's own mark is on its current cell, which it may not have.
    if (elemento == CE_ShapedFrame && qobject_cast<const QAbstractItemView*>(widget) &&
        widget->hasFocus())
        PintarMarcoFoco(*pintor, opcion->rect, opcion->palette,
                        {opcion->palette.color(QPalette::Base),
                         opcion->palette.color(QPalette::Window),
                         opcion->palette.color(QPalette::Mid)});
}
