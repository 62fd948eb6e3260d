#include "platform/proceso/TextoVisible.h"

namespace {

bool Reordena(char16_t c) {
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

bool Invisible(char16_t c) {
    return c == 0x200B || c == 0x2028 || c == 0x2029 || c == 0x2060 || c == 0xFEFF;
}

// Format characters show nothing of their own, but U+200C and U+200D join the
// letters of many scripts; the Hangul fillers are blank letters.
bool SinForma(char32_t u) {
    return (QChar::category(u) == QChar::Other_Format && u != 0x200C && u != 0x200D) ||
           u == 0x115F || u == 0x1160 || u == 0x3164 || u == 0xFFA0;
}

bool Oculto(QChar c, FormaVisible forma) {
    const char16_t u = c.unicode();
    if (u == u'\t')
        return forma != FormaVisible::Linea;
    return u < 0x20 || (u >= 0x7F && u < 0xA0) || Reordena(u) || Invisible(u) || SinForma(u) ||
           c.isSurrogate();
}

// Backslashes that a reader would take for the start of one of the escapes
// above ("\n", "\x1B", "\u202E"), or that stand before one, are written
// twice, each of the run: a name holding those characters and one holding
// their escape never look the same, nor "\" and a line break and "\n".
bool PareceEscape(QStringView resto, FormaVisible forma) {
    if (resto.size() < 2)
        return false;
    const char16_t c = resto[1].unicode();
    return c == u'n' || c == u'r' || c == u't' || c == u'u' || c == u'U' ||
           Oculto(resto[1], forma) ||
           (c == u'x' && resto.size() > 2 && resto[2] >= u'0' && resto[2] <= u'7');
}

QString Escape(QLatin1StringView prefijo, unsigned valor, int cifras) {
    return prefijo + QString::number(valor, 16).toUpper().rightJustified(cifras, u'0');
}

QString EscapeTexto(QChar c) {
    const char16_t u = c.unicode();
    if (u == u'\n')
        return QStringLiteral("\\n");
    if (u == u'\r')
        return QStringLiteral("\\r");
    if (u == u'\t')
        return QStringLiteral("\\t");
    // A byte of a name that was not UTF-8, kept as a lone surrogate.
    if (u >= 0xDC80 && u <= 0xDCFF)
        return Escape(QLatin1StringView("\\x"), u - 0xDC00u, 2);
    // "\x80" to "\xFF" are such bytes; the C1 controls are characters.
    if (u < 0x80)
        return Escape(QLatin1StringView("\\x"), u, 2);
    return Escape(QLatin1StringView("\\u"), u, 4);
}

} // namespace

QString TextoVisible(QStringView texto, FormaVisible forma) {
    QString visible;
    visible.reserve(texto.size());
    for (qsizetype i = 0; i < texto.size(); ++i) {
        const QChar c = texto[i];
        if (c.isHighSurrogate() && i + 1 < texto.size() && texto[i + 1].isLowSurrogate()) {
            const char32_t punto = QChar::surrogateToUcs4(c, texto[i + 1]);
            if (!SinForma(punto))
                visible += texto.sliced(i, 2);
            else if (forma == FormaVisible::Json)
                visible += QStringLiteral("\\u%1\\u%2")
                               .arg(c.unicode(), 4, 16, QChar(u'0'))
                               .arg(texto[i + 1].unicode(), 4, 16, QChar(u'0'));
            else
                visible += Escape(QLatin1StringView("\\U"), punto, 8);
            ++i;
        } else if (forma != FormaVisible::Json && c == u'\\') {
            const qsizetype inicio = i;
            while (i + 1 < texto.size() && texto[i + 1] == u'\\')
                ++i;
            visible +=
                QString((i - inicio + 1) * (PareceEscape(texto.sliced(i), forma) ? 2 : 1), c);
        } else if (forma == FormaVisible::Json && (c == u'"' || c == u'\\')) {
            visible += u'\\';
            visible += c;
        } else if (!Oculto(c, forma)) {
            visible += c;
        } else if (forma == FormaVisible::Json) {
            visible += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QChar(u'0'));
        } else {
            visible += EscapeTexto(c);
        }
    }
    return visible;
}
