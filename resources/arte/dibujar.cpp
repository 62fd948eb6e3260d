// Paints the window's artwork: the background, the window icon and the three
// button pictures. Run through dibujar.sh; the rendered files are committed.
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cstdio>

namespace {

QImage Lienzo(int ancho, int alto, QImage::Format formato = QImage::Format_ARGB32_Premultiplied) {
    QImage imagen(ancho, alto, formato);
    imagen.fill(Qt::transparent);
    return imagen;
}

bool Guardar(const QImage& imagen, const QString& ruta, int calidad = -1) {
    if (!imagen.save(ruta, nullptr, calidad)) {
        std::fprintf(stderr, "no se pudo guardar %s\n", qPrintable(ruta));
        return false;
    }
    return true;
}

// Soft blue-grey wash with two faint waves along the bottom, light enough
// that the label and the path box stay readable.
QImage Fondo() {
    QImage imagen = Lienzo(364, 116, QImage::Format_RGB32);
    QPainter p(&imagen);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient cielo(0, 0, 0, 116);
    cielo.setColorAt(0.0, QColor(236, 241, 247));
    cielo.setColorAt(1.0, QColor(214, 224, 236));
    p.fillRect(imagen.rect(), cielo);

    const auto ola = [&p](double base, double amplitud, const QColor& color) {
        QPainterPath camino;
        camino.moveTo(0, base);
        camino.cubicTo(100, base - amplitud, 220, base + amplitud, 364, base - amplitud / 2);
        camino.lineTo(364, 116);
        camino.lineTo(0, 116);
        camino.closeSubpath();
        p.fillPath(camino, color);
    };
    ola(78, 14, QColor(200, 213, 229, 150));
    ola(92, 10, QColor(186, 202, 222, 140));

    // A thin light rule under the path row.
    p.setPen(QPen(QColor(255, 255, 255, 160), 1));
    p.drawLine(QPointF(8, 63.5), QPointF(356, 63.5));
    return imagen;
}

void Hoja(QPainter& p, const QRectF& r) {
    const double doblez = r.width() * 0.3;
    QPainterPath hoja;
    hoja.moveTo(r.topLeft());
    hoja.lineTo(r.right() - doblez, r.top());
    hoja.lineTo(r.right(), r.top() + doblez);
    hoja.lineTo(r.bottomRight());
    hoja.lineTo(r.bottomLeft());
    hoja.closeSubpath();
    p.setPen(QPen(QColor(90, 100, 115), 1));
    p.setBrush(Qt::white);
    p.drawPath(hoja);
    QPainterPath pico;
    pico.moveTo(r.right() - doblez, r.top());
    pico.lineTo(r.right() - doblez, r.top() + doblez);
    pico.lineTo(r.right(), r.top() + doblez);
    p.setBrush(QColor(220, 226, 234));
    p.drawPath(pico);
    p.setPen(QPen(QColor(150, 165, 185), 1.4));
    for (double y = r.top() + doblez + 4; y < r.bottom() - 4; y += 4.2)
        p.drawLine(QPointF(r.left() + 4, y), QPointF(r.right() - 4, y));
}

void Visto(QPainter& p, const QRectF& r, double grosor, const QColor& color) {
    QPainterPath trazo;
    trazo.moveTo(r.left(), r.top() + r.height() * 0.55);
    trazo.lineTo(r.left() + r.width() * 0.38, r.bottom());
    trazo.lineTo(r.right(), r.top());
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0, 0, 0, 60), grosor + 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(trazo.translated(0.8, 0.8));
    p.setPen(QPen(color, grosor, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(trazo);
}

// The window icon: a sheet of records with a green check, on a blue tile.
QImage Icono() {
    QImage imagen = Lienzo(40, 41, QImage::Format_RGB32);
    QPainter p(&imagen);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient azul(0, 0, 40, 41);
    azul.setColorAt(0.0, QColor(74, 128, 196));
    azul.setColorAt(1.0, QColor(34, 74, 140));
    p.fillRect(imagen.rect(), azul);
    Hoja(p, QRectF(8.5, 5.5, 20, 28));
    Visto(p, QRectF(18, 20, 16, 14), 4.0, QColor(46, 160, 67));
    return imagen;
}

QImage Carpeta() {
    QImage imagen = Lienzo(32, 32);
    QPainter p(&imagen);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor borde(150, 104, 20);
    QPainterPath trasera;
    trasera.moveTo(3, 8);
    trasera.lineTo(12, 8);
    trasera.lineTo(15, 11);
    trasera.lineTo(28, 11);
    trasera.lineTo(28, 26);
    trasera.lineTo(3, 26);
    trasera.closeSubpath();
    p.setPen(QPen(borde, 1));
    p.setBrush(QColor(226, 170, 50));
    p.drawPath(trasera);
    // A sheet peeking out of the folder.
    p.setBrush(Qt::white);
    p.setPen(QPen(QColor(140, 140, 140), 0.8));
    p.drawRect(QRectF(7, 12.5, 18, 10));
    QPainterPath delantera;
    delantera.moveTo(2.5, 15);
    delantera.lineTo(29.5, 15);
    delantera.lineTo(27.5, 26.5);
    delantera.lineTo(3.5, 26.5);
    delantera.closeSubpath();
    QLinearGradient dorado(0, 15, 0, 27);
    dorado.setColorAt(0.0, QColor(255, 214, 102));
    dorado.setColorAt(1.0, QColor(236, 176, 46));
    p.setPen(QPen(borde, 1));
    p.setBrush(dorado);
    p.drawPath(delantera);
    return imagen;
}

QImage Aceptar() {
    QImage imagen = Lienzo(32, 32);
    QPainter p(&imagen);
    p.setRenderHint(QPainter::Antialiasing);
    Visto(p, QRectF(5, 6, 22, 20), 5.0, QColor(38, 150, 60));
    return imagen;
}

QImage Cancelar() {
    QImage imagen = Lienzo(32, 32);
    QPainter p(&imagen);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath cruz;
    cruz.moveTo(8, 8);
    cruz.lineTo(24, 24);
    cruz.moveTo(24, 8);
    cruz.lineTo(8, 24);
    p.setPen(QPen(QColor(0, 0, 0, 60), 7, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(cruz.translated(0.8, 0.8));
    p.setPen(QPen(QColor(200, 40, 40), 5, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(cruz);
    return imagen;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication aplicacion(argc, argv);
    const QString destino = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    bool bien = Guardar(Fondo(), destino + QStringLiteral("/fondo.jpg"), 92);
    bien = Guardar(Icono(), destino + QStringLiteral("/icono.png")) && bien;
    bien = Guardar(Carpeta(), destino + QStringLiteral("/buscar.png")) && bien;
    bien = Guardar(Aceptar(), destino + QStringLiteral("/aceptar.png")) && bien;
    bien = Guardar(Cancelar(), destino + QStringLiteral("/cancelar.png")) && bien;
    return bien ? 0 : 1;
}
