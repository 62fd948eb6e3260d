#include "platform/proceso/TextoVisible.h"

namespace {

bool Reordena(char16_t c) {
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

bool Invisible(char16_t c) {
    return c == 0x200B || c == 0x2028 || c == 0x2029 || c == 0x2060 || c == 0xFEFF;
}

bool Oculto(QChar c, FormaVisible forma) {
    const char16_t u = c.unicode();
    if (u == u'\t')
        return forma != FormaVisible::Linea;
    return u < 0x20 || (u >= 0x7F && u < 0xA0) || Reordena(u) || Invisible(u) || c.isSurrogate();
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
    if (u < 0x100)
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
            visible += c;
            visible += texto[++i];
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
