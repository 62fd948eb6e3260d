#pragma once

#include "platform/reporte/Plantilla.h"

#include <QFont>
#include <QPageLayout>
#include <QRectF>
#include <QSizeF>

class QPaintDevice;

// The geometry of a template's page, in points (1/72 inch) from the page's
// top-left corner: header, detail and footer bands, and how many detail lines
// of how many characters fit.
class DisposicionPagina {
public:
    explicit DisposicionPagina(const Plantilla& plantilla);

    QSizeF Tamano() const { return tamano_; }
    QPageLayout Disposicion() const;
    QRectF Encabezado() const { return encabezado_; }
    QRectF Detalle() const { return detalle_; }
    QRectF Pie() const { return pie_; }
    qreal AlturaLinea() const { return alturaLinea_; }
    int LineasPorPagina() const { return lineasPorPagina_; }
    int CaracteresPorLinea() const { return caracteresPorLinea_; }

    // Line height of a header line and of the title.
    static qreal Interlineado(qreal puntos) { return puntos * 1.4; }

    // The font whose size is `pixeles` pixels of `dispositivo`.
    static QFont Fuente(const QString& familia, qreal pixeles, const QPaintDevice* dispositivo);

    // Advance of one character of the family, as a fraction of its size.
    static qreal AvanceRelativo(const QString& familia);

private:
    QSizeF tamano_;
    QPageSize::PageSizeId tamanoId_;
    QPageLayout::Orientation orientacion_;
    QRectF encabezado_;
    QRectF detalle_;
    QRectF pie_;
    qreal alturaLinea_ = 0;
    int lineasPorPagina_ = 0;
    int caracteresPorLinea_ = 0;
};
