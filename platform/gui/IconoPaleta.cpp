#include "platform/gui/IconoPaleta.h"

#include <QFile>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QRegularExpression>
#include <QSvgRenderer>

#include <cmath>

namespace {

// Our icons are drawn in one dark ink on a light paper, with a lighter ink
// for the paper's details.
constexpr QLatin1StringView kTinta("#2e3a47");
constexpr QLatin1StringView kDetalle("#dbe4ee");
constexpr QLatin1StringView kPapel("#ffffff");
constexpr double kContrasteMinimo = 3.0;
constexpr int kLadoMuestra = 22;

double Luminancia(const QColor& color) {
    const auto canal = [](double c) {
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * canal(color.redF()) + 0.7152 * canal(color.greenF()) +
           0.0722 * canal(color.blueF());
}

// The colour the eye takes from the icon: its pixels' mean, weighed by their opacity.
QColor TintaMedia(const QIcon& icono) {
    const QImage imagen =
        icono.pixmap(kLadoMuestra).toImage().convertToFormat(QImage::Format_ARGB32);
    double r = 0, g = 0, b = 0, peso = 0;
    for (int y = 0; y < imagen.height(); ++y)
        for (int x = 0; x < imagen.width(); ++x) {
            const QRgb p = imagen.pixel(x, y);
            const double a = qAlpha(p);
            r += qRed(p) * a, g += qGreen(p) * a, b += qBlue(p) * a, peso += a;
        }
    if (peso == 0)
        return {};
    return QColor(int(r / peso), int(g / peso), int(b / peso));
}

QColor Mezcla(const QColor& a, const QColor& b, double t) {
    return QColor::fromRgbF(float(a.redF() * t + b.redF() * (1 - t)),
                            float(a.greenF() * t + b.greenF() * (1 - t)),
                            float(a.blueF() * t + b.blueF() * (1 - t)));
}

QIcon Propio(const QString& nombre, const QPalette& paleta) {
    QFile archivo(QStringLiteral(":/iconos/tema/scalable/actions/%1.svg").arg(nombre));
    if (!archivo.open(QIODevice::ReadOnly))
        return {};
    const QColor tinta = paleta.color(QPalette::WindowText);
    const QColor papel = paleta.color(QPalette::Base);
    const QHash<QString, QString> colores{{kTinta, tinta.name()},
                                          {kDetalle, Mezcla(tinta, papel, 0.25).name()},
                                          {kPapel, papel.name()}};
    // Each colour in one pass: a white ink put in is not then taken for the paper.
    static const QRegularExpression color(QStringLiteral("#[0-9a-f]{6}"),
                                          QRegularExpression::CaseInsensitiveOption);
    const QString svg = QString::fromUtf8(archivo.readAll());
    QString pintado;
    qsizetype desde = 0;
    for (const QRegularExpressionMatch& m : color.globalMatch(svg)) {
        pintado += svg.mid(desde, m.capturedStart() - desde) +
                   colores.value(m.captured().toLower(), m.captured());
        desde = m.capturedEnd();
    }
    QSvgRenderer dibujo((pintado + svg.mid(desde)).toUtf8());
    QIcon icono;
    for (int lado : {16, 22, 24, 32, 48, 64}) {
        QImage imagen(lado, lado, QImage::Format_ARGB32_Premultiplied);
        imagen.fill(Qt::transparent);
        QPainter pintor(&imagen);
        dibujo.render(&pintor);
        pintor.end();
        icono.addPixmap(QPixmap::fromImage(imagen));
    }
    return icono;
}

} // namespace

double Contraste(const QColor& a, const QColor& b) {
    const double la = Luminancia(a) + 0.05;
    const double lb = Luminancia(b) + 0.05;
    return std::max(la, lb) / std::min(la, lb);
}

QIcon IconoPaleta(const QString& nombre, const QPalette& paleta) {
    QIcon escritorio = QIcon::fromTheme(nombre);
    const QIcon reserva(QStringLiteral(":/iconos/tema/scalable/actions/%1.svg").arg(nombre));
    const bool esReserva =
        escritorio.pixmap(kLadoMuestra).toImage() == reserva.pixmap(kLadoMuestra).toImage();
    if (!escritorio.isNull() && !esReserva &&
        Contraste(TintaMedia(escritorio), paleta.color(QPalette::Window)) >= kContrasteMinimo)
        return escritorio;
    const QIcon propio = Propio(nombre, paleta);
    return propio.isNull() ? escritorio : propio;
}
