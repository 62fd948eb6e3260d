// Renders the application icon at every hicolor size from its SVG sources.
// Small sizes have their own drawings on a pixel grid; the rest come from the
// scalable icon. Run through iconos.sh; the rendered files are committed.
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

namespace {

struct Tamano {
    int lado;
    const char* fuente;
};

bool Dibujar(const QString& fuente, int lado, const QString& destino) {
    QSvgRenderer svg(fuente);
    if (!svg.isValid()) {
        std::fprintf(stderr, "no se pudo leer %s\n", qPrintable(fuente));
        return false;
    }
    QImage imagen(lado, lado, QImage::Format_ARGB32);
    imagen.fill(Qt::transparent);
    QPainter p(&imagen);
    p.setRenderHint(QPainter::Antialiasing);
    svg.render(&p);
    p.end();
    if (!QDir().mkpath(QFileInfo(destino).path()) || !imagen.save(destino)) {
        std::fprintf(stderr, "no se pudo guardar %s\n", qPrintable(destino));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication aplicacion(argc, argv);
    const QString recursos = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    const QString hicolor = recursos + QStringLiteral("/iconos/hicolor");
    const QString escalable = hicolor + QStringLiteral("/scalable/apps/cobranzia.svg");
    const Tamano tamanos[] = {{16, "arte/cobranzia-16.svg"},
                              {22, "arte/cobranzia-24.svg"},
                              {24, "arte/cobranzia-24.svg"},
                              {32, nullptr},
                              {48, nullptr},
                              {64, nullptr},
                              {128, nullptr},
                              {256, nullptr}};
    bool bien = true;
    for (const Tamano& t : tamanos) {
        const QString fuente =
            t.fuente ? recursos + QLatin1Char('/') + QLatin1String(t.fuente) : escalable;
        const QString destino =
            QStringLiteral("%1/%2x%2/apps/cobranzia.png").arg(hicolor).arg(t.lado);
        bien = Dibujar(fuente, t.lado, destino) && bien;
    }
    return bien ? 0 : 1;
}
