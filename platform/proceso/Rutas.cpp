#include "platform/proceso/Rutas.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>

namespace {

constexpr char16_t kPrimerEscape = 0xDC80;

// The length of the valid UTF-8 sequence at the start of `bytes`, or 0.
qsizetype Secuencia(QByteArrayView bytes) {
    const auto b0 = static_cast<unsigned char>(bytes[0]);
    const qsizetype largo = b0 < 0x80         ? 1
                            : (b0 >> 5) == 6  ? 2
                            : (b0 >> 4) == 14 ? 3
                            : (b0 >> 3) == 30 ? 4
                                              : 0;
    if (largo == 0 || largo > bytes.size())
        return 0;
    for (qsizetype i = 1; i < largo; ++i)
        if ((static_cast<unsigned char>(bytes[i]) & 0xC0) != 0x80)
            return 0;
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8 either.
    QStringDecoder decodificador(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString texto = decodificador(bytes.first(largo));
    return decodificador.hasError() || texto.contains(QChar::ReplacementCharacter) ? 0 : largo;
}

} // namespace

QString RutaDesdeBytes(QByteArrayView bytes) {
    QString ruta;
    ruta.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size();) {
        const qsizetype largo = Secuencia(bytes.sliced(i));
        if (largo == 0) {
            ruta += QChar(char16_t(kPrimerEscape + static_cast<unsigned char>(bytes[i]) - 0x80));
            ++i;
        } else {
            ruta += DesdeUtf8(bytes.sliced(i, largo));
            i += largo;
        }
    }
    return ruta;
}

QString DesdeUtf8(QByteArrayView bytes) {
    return QStringDecoder(QStringDecoder::Utf8,
                          QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom)
        .decode(bytes);
}

QByteArray RutaABytes(QStringView ruta) {
    QByteArray bytes;
    bytes.reserve(ruta.size());
    qsizetype desde = 0;
    for (qsizetype i = 0; i <= ruta.size(); ++i) {
        const bool escape = i < ruta.size() && ruta[i].unicode() >= kPrimerEscape &&
                            ruta[i].unicode() <= 0xDCFF &&
                            !(i > 0 && ruta[i - 1].isHighSurrogate());
        if (i < ruta.size() && !escape)
            continue;
        bytes += ruta.sliced(desde, i - desde).toUtf8();
        if (escape)
            bytes += char(ruta[i].unicode() - kPrimerEscape + 0x80);
        desde = i + 1;
    }
    return bytes;
}

namespace {

bool EsByte(QStringView nombre, qsizetype i) {
    const char16_t c = nombre[i].unicode();
    return c >= kPrimerEscape && c <= 0xDCFF && !(i > 0 && nombre[i - 1].isHighSurrogate());
}

bool EsCifra(QChar c) {
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F');
}

// Whether a backslash before position `i` would read as the start of an
// escape: another backslash, a byte's escape, or "x" and two digits from 80 to FF.
bool PareceEscape(QStringView nombre, qsizetype i) {
    if (i >= nombre.size())
        return false;
    if (nombre[i] == u'\\' || EsByte(nombre, i))
        return true;
    return i + 2 < nombre.size() && nombre[i] == u'x' && nombre[i + 1] >= u'8' &&
           EsCifra(nombre[i + 1]) && EsCifra(nombre[i + 2]);
}

} // namespace

QString NombreLegible(QStringView nombre) {
    QString legible;
    legible.reserve(nombre.size());
    for (qsizetype i = 0; i < nombre.size(); ++i) {
        if (EsByte(nombre, i))
            legible += QStringLiteral("\\x") +
                       QString::number(nombre[i].unicode() - kPrimerEscape + 0x80, 16).toUpper();
        else if (nombre[i] == u'\\' && PareceEscape(nombre, i + 1))
            legible += QStringLiteral("\\\\");
        else
            legible += nombre[i];
    }
    return legible;
}

QString CarpetaDocumentos() {
    const QString documentos = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documentos).isDir() ? documentos : QDir::homePath();
}
