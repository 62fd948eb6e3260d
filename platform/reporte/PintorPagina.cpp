#include "platform/reporte/PintorPagina.h"

#include "platform/proceso/Cantidad.h"
#include "platform/proceso/TextoVisible.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QRegularExpression>

#include <cmath>
#include <optional>

namespace {
constexpr qreal kGrosorRaya = 0.5;

// Text is drawn in the device's own pixels: a font of a few points scaled up
// by the painter would have its advances rounded, and a full line would run
// past the margin.
class Escritor {
public:
    Escritor(QPainter& pintor, const FuenteTexto& fuente, bool negrita)
        : pintor_(pintor)
        , transformacion_(pintor.worldTransform())
        , escala_(std::hypot(transformacion_.m11(), transformacion_.m12()))
        , fuente_(
              DisposicionPagina::Fuente(fuente.familia, fuente.puntos * escala_, pintor.device())) {
        fuente_.setBold(negrita);
        medidas_.emplace(fuente_, pintor.device());
        pintor_.save();
        pintor_.resetTransform();
        pintor_.setFont(fuente_);
    }
    ~Escritor() { pintor_.restore(); }
    Escritor(const Escritor&) = delete;
    Escritor& operator=(const Escritor&) = delete;

    // One line with its top-left corner at `origen` (in points), cut to
    // `ancho` points with an ellipsis when `ancho` is given.
    void Linea(QPointF origen, const QString& texto, qreal ancho = 0,
               Qt::Alignment alineacion = Qt::AlignLeft) {
        QString visible = texto;
        QPointF punto = transformacion_.map(origen);
        if (ancho > 0) {
            visible = medidas_->elidedText(texto, Qt::ElideMiddle, ancho * escala_);
            if (alineacion & Qt::AlignHCenter)
                punto.rx() += (ancho * escala_ - medidas_->horizontalAdvance(visible)) / 2;
        }
        pintor_.drawText(punto + QPointF(0, medidas_->ascent()), visible);
    }

private:
    QPainter& pintor_;
    QTransform transformacion_;
    qreal escala_;
    QFont fuente_;
    std::optional<QFontMetricsF> medidas_;
};
} // namespace

PintorPagina::PintorPagina(const Plantilla& plantilla, const DisposicionPagina& disposicion,
                           const ValoresListado& valores)
    : plantilla_(plantilla)
    , disposicion_(disposicion)
    , valores_(valores) {}

QString PintorPagina::Sustituir(const QString& texto, const PaginaListado& pagina) const {
    static const QRegularExpression marca(QStringLiteral("\\{([^{}]*)\\}"));
    QString resultado;
    qsizetype ultimo = 0;
    for (const auto& m : marca.globalMatch(texto)) {
        resultado += texto.mid(ultimo, m.capturedStart() - ultimo);
        const QString nombre = m.captured(1);
        if (nombre.startsWith(QLatin1Char('@')))
            resultado += TextoVisible(valores_.formulas.value(nombre.mid(1)));
        else if (nombre == QLatin1String("fecha"))
            resultado += valores_.impresion.toString(QStringLiteral("dd/MM/yyyy"));
        else if (nombre == QLatin1String("hora"))
            resultado += valores_.impresion.toString(QStringLiteral("HH:mm:ss"));
        else if (nombre == QLatin1String("pagina"))
            resultado += TextoCantidad(pagina.numero + 1);
        else if (nombre == QLatin1String("paginas"))
            resultado += TextoCantidad(pagina.total);
        else if (nombre == QLatin1String("filas"))
            resultado += TextoCantidad(valores_.filas);
        ultimo = m.capturedEnd();
    }
    return resultado + texto.mid(ultimo);
}

void PintorPagina::Pintar(QPainter& pintor, const PaginaListado& pagina) const {
    pintor.save();
    pintor.setPen(QPen(Qt::black, kGrosorRaya));
    PintarEncabezado(pintor, pagina);
    PintarDetalle(pintor, pagina);
    PintarPie(pintor, pagina);
    pintor.restore();
}

QStringList PintorPagina::Texto(const PaginaListado& pagina) const {
    QStringList texto{Sustituir(plantilla_.titulo, pagina)};
    for (const QString& linea : plantilla_.encabezado)
        texto << Sustituir(linea, pagina);
    for (const QString& linea : pagina.lineas)
        texto << TextoVisible(linea);
    if (pagina.cierre)
        texto << Sustituir(plantilla_.cierre, pagina);
    return texto << Sustituir(plantilla_.pie, pagina);
}

void PintorPagina::PintarEncabezado(QPainter& pintor, const PaginaListado& pagina) const {
    const QRectF banda = disposicion_.Encabezado();
    qreal y = banda.top();
    {
        Escritor titulo(pintor, plantilla_.fuenteTitulo, true);
        titulo.Linea(QPointF(banda.left(), y), Sustituir(plantilla_.titulo, pagina), banda.width());
    }
    y += DisposicionPagina::Interlineado(plantilla_.fuenteTitulo.puntos);
    {
        Escritor lineas(pintor, plantilla_.fuenteEncabezado, false);
        for (const QString& texto : plantilla_.encabezado) {
            lineas.Linea(QPointF(banda.left(), y), Sustituir(texto, pagina), banda.width());
            y += DisposicionPagina::Interlineado(plantilla_.fuenteEncabezado.puntos);
        }
    }
    pintor.drawLine(QPointF(banda.left(), banda.bottom()), QPointF(banda.right(), banda.bottom()));
}

void PintorPagina::PintarDetalle(QPainter& pintor, const PaginaListado& pagina) const {
    const QRectF banda = disposicion_.Detalle();
    const qreal alto = disposicion_.AlturaLinea();
    qreal y = banda.top();
    {
        Escritor detalle(pintor, plantilla_.fuenteDetalle, false);
        for (const QString& linea : pagina.lineas) {
            detalle.Linea(QPointF(banda.left(), y), TextoVisible(linea, FormaVisible::Linea));
            y += alto;
        }
    }
    if (pagina.cierre) {
        Escritor cierre(pintor, plantilla_.fuenteEncabezado, true);
        cierre.Linea(QPointF(banda.left(), y), Sustituir(plantilla_.cierre, pagina), banda.width());
    }
}

void PintorPagina::PintarPie(QPainter& pintor, const PaginaListado& pagina) const {
    const QRectF banda = disposicion_.Pie();
    pintor.drawLine(QPointF(banda.left(), banda.top()), QPointF(banda.right(), banda.top()));
    Escritor pie(pintor, plantilla_.fuentePie, false);
    pie.Linea(QPointF(banda.left(), banda.bottom() - DisposicionPagina::Interlineado(
                                                         plantilla_.fuentePie.puntos)),
              Sustituir(plantilla_.pie, pagina), banda.width(), Qt::AlignHCenter);
}
