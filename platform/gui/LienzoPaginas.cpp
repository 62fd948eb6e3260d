#include "platform/gui/LienzoPaginas.h"

#include "platform/gui/Accesibilidad.h"
#include "platform/gui/MarcoFoco.h"
#include "platform/gui/TextosVista.h"
#include "platform/proceso/Cantidad.h"
#include "platform/proceso/ErrorEjecucion.h"
#include "platform/proceso/TextoVisible.h"
#include "platform/reporte/Reporte.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {
constexpr int kMargen = 12; // around and between pages, in pixels
constexpr qreal kPasoZoom = 1.25;
constexpr qreal kZoomMinimo = 0.1;
constexpr qreal kZoomMaximo = 8;
} // namespace

LienzoPaginas::LienzoPaginas(Reporte& reporte, QWidget* padre)
    : QAbstractScrollArea(padre)
    , reporte_(reporte) {
    viewport()->setBackgroundRole(QPalette::Dark);
    viewport()->setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);
    RegistrarAccesibilidad();
    setAccessibleDescription(TextosVista::DescripcionLienzo);
    Nombrar();
}

void LienzoPaginas::Presentar(const QString& archivo, const QString& codigo) {
    archivo_ = archivo;
    setAccessibleDescription(codigo.isEmpty() ? TextosVista::DescripcionLienzo
                                              : TextosVista::DescripcionLienzoCodigo.arg(
                                                    codigo, TextosVista::DescripcionLienzo));
    Nombrar();
}

void LienzoPaginas::Nombrar() {
    const QString pagina = TextosVista::NombreLienzo.arg(TextoCantidad(actual_ + 1),
                                                         TextoCantidad(reporte_.TotalPaginas()));
    setAccessibleName(archivo_.isEmpty()
                          ? pagina
                          : TextosVista::NombreLienzoArchivo.arg(pagina, TextoVisible(archivo_)));
}

QString LienzoPaginas::TextoPagina() const {
    if (paginaTexto_ != actual_) {
        try {
            texto_ = reporte_.Texto(actual_).join(u'\n');
        } catch (const ErrorEjecucion& e) {
            texto_ = e.Descripcion();
        }
        paginaTexto_ = actual_;
    }
    return texto_;
}

QSize LienzoPaginas::TamanoPagina() const {
    const QSizeF puntos = reporte_.Disposicion().Tamano();
    return QSize(int(std::lround(puntos.width() * escala_)),
                 int(std::lround(puntos.height() * escala_)));
}

int LienzoPaginas::Paso() const {
    return TamanoPagina().height() + kMargen;
}

qint64 LienzoPaginas::PaginaActual() const {
    return actual_;
}

qint64 LienzoPaginas::PaginaArriba() const {
    // The page at the top of the view; at the very end, the last page.
    const QScrollBar* barra = verticalScrollBar();
    if (barra->maximum() > 0 && barra->value() == barra->maximum())
        return reporte_.TotalPaginas() - 1;
    return std::clamp<qint64>((qint64(barra->value()) + kMargen) / Paso(), 0,
                              reporte_.TotalPaginas() - 1);
}

void LienzoPaginas::IrAPagina(qint64 k) {
    k = std::clamp<qint64>(k, 0, reporte_.TotalPaginas() - 1);
    actual_ = k;
    saltando_ = true;
    verticalScrollBar()->setValue(
        int(std::min<qint64>(k * Paso(), verticalScrollBar()->maximum())));
    saltando_ = false;
    viewport()->update();
    Avisar();
}

void LienzoPaginas::Acercar() {
    EstablecerEscala(escala_ * kPasoZoom, Ajuste::Ninguno);
}
void LienzoPaginas::Alejar() {
    EstablecerEscala(escala_ / kPasoZoom, Ajuste::Ninguno);
}
void LienzoPaginas::AjustarAncho() {
    EstablecerEscala(escala_, Ajuste::Ancho);
}
void LienzoPaginas::AjustarPagina() {
    EstablecerEscala(escala_, Ajuste::Pagina);
}

void LienzoPaginas::EstablecerEscala(qreal escala, Ajuste ajuste) {
    const qint64 pagina = PaginaActual();
    ajuste_ = ajuste;
    escala_ = std::clamp(escala, kZoomMinimo, kZoomMaximo);
    AplicarAjuste();
    ActualizarBarras();
    IrAPagina(pagina);
}

void LienzoPaginas::AplicarAjuste() {
    const QSizeF puntos = reporte_.Disposicion().Tamano();
    const qreal ancho = qreal(viewport()->width() - 2 * kMargen) / puntos.width();
    const qreal alto = qreal(viewport()->height() - 2 * kMargen) / puntos.height();
    if (ajuste_ == Ajuste::Ancho)
        escala_ = std::clamp(ancho, kZoomMinimo, kZoomMaximo);
    else if (ajuste_ == Ajuste::Pagina)
        escala_ = std::clamp(std::min(ancho, alto), kZoomMinimo, kZoomMaximo);
}

void LienzoPaginas::ActualizarBarras() {
    const QSize hoja = TamanoPagina();
    const qint64 alto = reporte_.TotalPaginas() * Paso() + kMargen;
    verticalScrollBar()->setRange(0,
                                  int(std::clamp<qint64>(alto - viewport()->height(), 0, INT_MAX)));
    verticalScrollBar()->setPageStep(viewport()->height());
    verticalScrollBar()->setSingleStep(std::max(1, Paso() / 20));
    horizontalScrollBar()->setRange(0,
                                    std::max(0, hoja.width() + 2 * kMargen - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
}

void LienzoPaginas::resizeEvent(QResizeEvent* evento) {
    QAbstractScrollArea::resizeEvent(evento);
    const qint64 pagina = PaginaActual();
    AplicarAjuste();
    ActualizarBarras();
    if (ajuste_ != Ajuste::Ninguno)
        IrAPagina(pagina);
}

void LienzoPaginas::scrollContentsBy(int, int) {
    viewport()->update();
    // A jump has set the page already; a scroll by hand sets it from the view.
    if (!saltando_)
        actual_ = PaginaArriba();
    Avisar();
}

// A page change is told to the window and, through the area's name and text,
// to a screen reader.
void LienzoPaginas::Avisar() {
    if (actual_ == avisada_)
        return;
    avisada_ = actual_;
    Nombrar();
    const QString antes = paginaTexto_ >= 0 ? texto_ : QString();
    QAccessibleTextUpdateEvent cambio(this, 0, antes, TextoPagina());
    QAccessible::updateAccessibility(&cambio);
    emit PaginaCambiada(actual_);
}

void LienzoPaginas::focusInEvent(QFocusEvent* evento) {
    QAbstractScrollArea::focusInEvent(evento);
    viewport()->update();
}

void LienzoPaginas::focusOutEvent(QFocusEvent* evento) {
    QAbstractScrollArea::focusOutEvent(evento);
    viewport()->update();
}

void LienzoPaginas::paintEvent(QPaintEvent*) {
    QPainter pintor(viewport());
    const QSize hoja = TamanoPagina();
    const int x = std::max(kMargen, (viewport()->width() - hoja.width()) / 2) -
                  horizontalScrollBar()->value();
    const qint64 arriba = verticalScrollBar()->value();
    for (qint64 k = arriba / Paso(); k < reporte_.TotalPaginas(); ++k) {
        const qint64 y = k * Paso() + kMargen - arriba;
        if (y >= viewport()->height())
            break;
        PintarPagina(pintor, k, QRect(QPoint(x, int(y)), hoja));
    }
    if (hasFocus())
        PintarMarcoFoco(pintor, viewport()->rect(), palette(),
                        {palette().color(QPalette::Dark), QColor(Qt::white)});
}

void LienzoPaginas::PintarPagina(QPainter& pintor, qint64 k, const QRect& hoja) {
    pintor.fillRect(hoja.translated(3, 3), QColor(0, 0, 0, 60));
    pintor.fillRect(hoja, Qt::white);
    pintor.save();
    pintor.setClipRect(hoja);
    pintor.translate(hoja.topLeft());
    pintor.setRenderHint(QPainter::TextAntialiasing);
    // The painting routine speaks points; a point is escala_ pixels here.
    pintor.scale(escala_, escala_);
    try {
        reporte_.Pintar(pintor, k);
    } catch (const ErrorEjecucion& e) {
        // The page cannot be read now: say so on the page instead of a blank one.
        pintor.setPen(Qt::red);
        pintor.drawText(reporte_.Disposicion().Detalle(), Qt::TextWordWrap, e.Descripcion());
    }
    pintor.restore();
}

void LienzoPaginas::wheelEvent(QWheelEvent* evento) {
    if (evento->modifiers() & Qt::ControlModifier) {
        if (evento->angleDelta().y() > 0)
            Acercar();
        else if (evento->angleDelta().y() < 0)
            Alejar();
        evento->accept();
        return;
    }
    QAbstractScrollArea::wheelEvent(evento);
}

void LienzoPaginas::keyPressEvent(QKeyEvent* evento) {
    switch (evento->key()) {
    case Qt::Key_PageDown:
        IrAPagina(PaginaActual() + 1);
        break;
    case Qt::Key_PageUp:
        IrAPagina(PaginaActual() - 1);
        break;
    case Qt::Key_Home:
        IrAPagina(0);
        break;
    case Qt::Key_End:
        IrAPagina(reporte_.TotalPaginas() - 1);
        break;
    default:
        QAbstractScrollArea::keyPressEvent(evento);
        return;
    }
    evento->accept();
}
