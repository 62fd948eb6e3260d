#include "platform/gui/MarcoFoco.h"

#include "platform/gui/IconoPaleta.h"

#include <QPainter>
#include <QPalette>

#include <algorithm>

namespace {
constexpr double kContrasteMinimo = 3.0;
constexpr int kGrosor = 2;

double PeorContraste(const QColor& color, std::initializer_list<QColor> fondos) {
    double peor = 21;
    for (const QColor& fondo : fondos)
        peor = std::min(peor, Contraste(color, fondo));
    return peor;
}
} // namespace

QColor ColorFoco(const QPalette& paleta, std::initializer_list<QColor> fondos) {
    QColor mejor = paleta.color(QPalette::Highlight);
    if (PeorContraste(mejor, fondos) >= kContrasteMinimo)
        return mejor;
    for (const QColor& tinta :
         {paleta.color(QPalette::WindowText), paleta.color(QPalette::Text),
          paleta.color(QPalette::HighlightedText), QColor(Qt::black), QColor(Qt::white)})
        if (PeorContraste(tinta, fondos) > PeorContraste(mejor, fondos))
            mejor = tinta;
    return mejor;
}

void PintarMarcoFoco(QPainter& pintor, const QRect& rect, const QPalette& paleta,
                     std::initializer_list<QColor> fondos) {
    pintor.save();
    pintor.setRenderHint(QPainter::Antialiasing, false);
    pintor.setPen(Qt::NoPen);
    pintor.setBrush(ColorFoco(paleta, fondos));
    // Four bands rather than a wide pen, whose corners would fall outside.
    const QRect r = rect.normalized();
    pintor.drawRect(r.left(), r.top(), r.width(), kGrosor);
    pintor.drawRect(r.left(), r.bottom() - kGrosor + 1, r.width(), kGrosor);
    pintor.drawRect(r.left(), r.top(), kGrosor, r.height());
    pintor.drawRect(r.right() - kGrosor + 1, r.top(), kGrosor, r.height());
    pintor.restore();
}
