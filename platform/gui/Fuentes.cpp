#include "platform/gui/Fuentes.h"

#include <QFile>
#include <QFontDatabase>

namespace {

constexpr double TamanoPuntos = 8.25;
const char* const ArchivosTahoma[] = {"/usr/share/wine/fonts/tahoma.ttf",
                                      "/usr/share/wine/fonts/tahomabd.ttf"};

QString ElegirFamilia() {
    QString tahoma = QStringLiteral("Tahoma");
    if (QFontDatabase::hasFamily(tahoma))
        return tahoma;
    for (const char* archivo : ArchivosTahoma) {
        if (QFile::exists(QString::fromLatin1(archivo)))
            QFontDatabase::addApplicationFont(QString::fromLatin1(archivo));
    }
    if (QFontDatabase::hasFamily(tahoma))
        return tahoma;
    for (const char* parecida : {"DejaVu Sans", "Liberation Sans", "Noto Sans"}) {
        if (QFontDatabase::hasFamily(QString::fromLatin1(parecida)))
            return QString::fromLatin1(parecida);
    }
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
}

} // namespace

QString FamiliaTahoma() {
    static const QString familia = ElegirFamilia();
    return familia;
}

QFont FuenteTahoma(bool negrita) {
    QFont fuente(FamiliaTahoma());
    fuente.setStyleHint(QFont::SansSerif);
    fuente.setPointSizeF(TamanoPuntos);
    fuente.setWeight(negrita ? QFont::Bold : QFont::Normal);
    return fuente;
}
