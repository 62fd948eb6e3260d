#include "platform/gui/BotonImagen.h"

#include "platform/gui/MarcoFoco.h"

#include <QEvent>
#include <QPainter>
#include <QStyleOptionButton>

namespace {
constexpr int Separacion = 4;
}

BotonImagen::BotonImagen(const QIcon& imagen, const QString& titulo, QWidget* padre)
    : QAbstractButton(padre) {
    setIcon(imagen);
    setIconSize(QSize(LadoImagen, LadoImagen));
    setText(titulo);
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
}

bool BotonImagen::event(QEvent* evento) {
    // Hovering changes the panel's look.
    if (evento->type() == QEvent::HoverEnter || evento->type() == QEvent::HoverLeave)
        update();
    return QAbstractButton::event(evento);
}

void BotonImagen::paintEvent(QPaintEvent*) {
    QPainter pintor(this);
    QStyleOptionButton opcion;
    opcion.initFrom(this);
    opcion.state |= (isDown() || isChecked()) ? QStyle::State_Sunken : QStyle::State_Raised;
    style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &opcion, &pintor, this);

    QRect area = rect().adjusted(2, 2, -2, -2);
    if (isDown())
        area.translate(1, 1);
    PintarImagenYTitulo(pintor, area);

    // Shown from the start, not only after a key moved the focus: the window
    // opens with the focus on a button. A solid frame: a style's dotted one
    // hardly shows on the panel.
    if (hasFocus())
        PintarMarcoFoco(pintor, rect().adjusted(2, 2, -2, -2), palette(),
                        {palette().color(QPalette::Button)});
}

void BotonImagen::PintarImagenYTitulo(QPainter& pintor, const QRect& area) const {
    const QIcon::Mode modo = isEnabled() ? QIcon::Normal : QIcon::Disabled;
    const QPixmap imagen = icon().pixmap(iconSize(), devicePixelRatio(), modo);
    const QSize lado = iconSize().boundedTo(area.size());
    const int flags = Qt::AlignVCenter | Qt::AlignLeft | Qt::TextShowMnemonic;
    QString visible = text();
    visible.remove(QLatin1Char('&'));
    const int anchoTitulo = visible.isEmpty() ? 0 : fontMetrics().horizontalAdvance(visible);
    const int anchoTotal = lado.width() + (anchoTitulo > 0 ? Separacion + anchoTitulo : 0);

    // Picture and caption side by side, centred together.
    const int x = area.left() + qMax(0, (area.width() - anchoTotal) / 2);
    const QRect rectImagen(QPoint(x, area.top() + (area.height() - lado.height()) / 2), lado);
    pintor.drawPixmap(rectImagen, imagen);
    if (anchoTitulo > 0) {
        const QRect rectTitulo(rectImagen.right() + 1 + Separacion, area.top(),
                               area.right() - rectImagen.right() - Separacion, area.height());
        style()->drawItemText(&pintor, rectTitulo, flags, palette(), isEnabled(), text(),
                              QPalette::ButtonText);
    }
}
