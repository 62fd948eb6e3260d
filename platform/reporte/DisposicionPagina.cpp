#include "platform/reporte/DisposicionPagina.h"

#include "platform/proceso/ErrorEjecucion.h"
#include "platform/reporte/TextosReporte.h"

#include <QFontMetricsF>
#include <QPaintDevice>

#include <cmath>

namespace {
constexpr qreal kPuntosPorMm = 72.0 / 25.4;
constexpr qreal kSeparacion = 6; // between a band and the rule that closes it
// Sizes are measured large so that hinting does not round them.
constexpr int kTamanoMedida = 1000;
} // namespace

DisposicionPagina::DisposicionPagina(const Plantilla& p)
    : tamano_(QPageSize(p.tamano).size(QPageSize::Point))
    , tamanoId_(p.tamano)
    , orientacion_(p.orientacion) {
    if (p.orientacion == QPageLayout::Landscape)
        tamano_.transpose();
    const QMarginsF m = p.margenesMm * kPuntosPorMm;
    const QRectF util = QRectF(QPointF(0, 0), tamano_).marginsRemoved(m);

    const qreal altoEncabezado = Interlineado(p.fuenteTitulo.puntos) +
                                 p.encabezado.size() * Interlineado(p.fuenteEncabezado.puntos) +
                                 kSeparacion;
    const qreal altoPie = Interlineado(p.fuentePie.puntos) + kSeparacion;
    encabezado_ = QRectF(util.left(), util.top(), util.width(), altoEncabezado);
    pie_ = QRectF(util.left(), util.bottom() - altoPie, util.width(), altoPie);
    detalle_ = QRectF(util.left(), encabezado_.bottom() + kSeparacion, util.width(),
                      pie_.top() - encabezado_.bottom() - 2 * kSeparacion);

    alturaLinea_ = p.fuenteDetalle.puntos * p.interlineado;
    const qreal avance = AvanceRelativo(p.fuenteDetalle.familia) * p.fuenteDetalle.puntos;
    lineasPorPagina_ =
        detalle_.height() > 0 ? int(std::floor(detalle_.height() / alturaLinea_)) : 0;
    caracteresPorLinea_ = detalle_.width() > 0 ? int(std::floor(detalle_.width() / avance)) : 0;
    if (lineasPorPagina_ < 1 || caracteresPorLinea_ < 1)
        throw ErrorEjecucion(
            ErroresReporte::PlantillaNoValida,
            TextosReporte::PlantillaNoValida.arg(p.ruta, TextosReporte::PlantillaSinSitio));
}

QPageLayout DisposicionPagina::Disposicion() const {
    return QPageLayout(QPageSize(tamanoId_), orientacion_, QMarginsF(0, 0, 0, 0));
}

QFont DisposicionPagina::Fuente(const QString& familia, qreal pixeles,
                                const QPaintDevice* dispositivo) {
    QFont f(familia);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setKerning(false);
    const int ppp = dispositivo ? dispositivo->logicalDpiY() : 72;
    f.setPointSizeF(pixeles * 72.0 / ppp);
    return f;
}

qreal DisposicionPagina::AvanceRelativo(const QString& familia) {
    QFont f(familia);
    f.setPixelSize(kTamanoMedida);
    f.setHintingPreference(QFont::PreferNoHinting);
    // Monospaced: every character has this advance.
    return QFontMetricsF(f).horizontalAdvance(QLatin1Char('0')) / kTamanoMedida;
}
