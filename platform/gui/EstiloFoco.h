#pragma once

#include <QProxyStyle>

// The desktop's style, with the focus drawn so that it shows: a solid frame
// that stands out 3:1 from what it surrounds, where the style draws a faint
// one, and around a list or table that has the focus.
class EstiloFoco : public QProxyStyle {
    Q_OBJECT
public:
    using QProxyStyle::QProxyStyle;

    void drawPrimitive(PrimitiveElement elemento, const QStyleOption* opcion, QPainter* pintor,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement elemento, const QStyleOption* opcion, QPainter* pintor,
                     const QWidget* widget = nullptr) const override;
};
