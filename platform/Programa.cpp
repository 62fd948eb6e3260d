#include "platform/Programa.h"

#include <QCoreApplication>

namespace {
QString& RutaFijada() {
    static QString ruta;
    return ruta;
}
} // namespace

QString RutaPrograma() {
    if (!RutaFijada().isEmpty())
        return RutaFijada();
    return QCoreApplication::applicationDirPath();
}

QString ArchivoDelPrograma(const QString& nombre) {
    return RutaPrograma() + QLatin1Char('/') + nombre;
}

void EstablecerRutaPrograma(const QString& ruta) {
    RutaFijada() = ruta;
}
