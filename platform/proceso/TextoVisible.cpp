#include "platform/proceso/TextoVisible.h"

namespace {

bool Reordena(char16_t c) {
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

bool Oculto(QChar c) {
    const char16_t u = c.unicode();
    return (u < 0x20 && u != u'\t') || (u >= 0x7F && u < 0xA0) || Reordena(u) || c.isSurrogate();
}

QString Escape(QLatin1StringView prefijo, unsigned valor, int cifras) {
    return prefijo + QString::number(valor, 16).toUpper().rightJustified(cifras, u'0');
}

} // namespace

QString TextoVisible(QStringView texto) {
    QString visible;
    visible.reserve(texto.size());
    for (qsizetype i = 0; i < texto.size(); ++i) {
        const QChar c = texto[i];
        if (c.isHighSurrogate() && i + 1 < texto.size() && texto[i + 1].isLowSurrogate()) {
            visible += c;
            visible += texto[++i];
            continue;
        }
        if (!Oculto(c)) {
            visible += c;
        } else if (c == u'\n') {
            visible += QStringLiteral("\\n");
        } else if (c == u'\r') {
            visible += QStringLiteral("\\r");
        } else if (c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF) {
            // A byte of a name that was not UTF-8, kept as a lone surrogate.
            visible += Escape(QLatin1StringView("\\x"), c.unicode() - 0xDC00u, 2);
        } else if (c.unicode() < 0x100) {
            visible += Escape(QLatin1StringView("\\x"), c.unicode(), 2);
        } else {
            visible += Escape(QLatin1StringView("\\u"), c.unicode(), 4);
        }
    }
    return visible;
}
