// SQL literals: any text quoted reads back as it was, alone, as FormatoSQL
// writes it (trimmed of spaces) and inside a statement. A statement parsed
// after another (input "previa\0sql") splits into a form and literals that give
// it back, as it does parsed alone.
#include "platform/base/LiteralSQL.h"
#include "platform/base/Parametrizacion.h"
#include "util/FormatoSQL.h"

#include <QRegularExpression>

static QString Recompuesta(const SentenciaParametrizada& s) {
    QString sql = s.forma;
    for (qsizetype k = s.huecos.size() - 1; k >= 0; --k)
        sql.replace(s.huecos[k], 1, CitarLiteral(s.literales[k]));
    return sql;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t largo) {
    const QString texto = QString::fromUtf8(reinterpret_cast<const char*>(datos), qsizetype(largo));
    QString valor;
    const QString literal = CitarLiteral(texto);
    const QString sql = u'(' + literal + u',' + FormatoSQL(texto, tsTexto, false) + u')';
    SentenciaParametrizada s;
    if (LeerLiteral(literal, 0, valor) != literal.size() || valor != texto ||
        !Parametrizar(sql, s) || s.literales.size() != 2 || s.literales[0] != texto ||
        s.literales[1] != QString(texto).remove(QRegularExpression(QStringLiteral("^ +| +\\z"))))
        abort();
    const qsizetype nulo = texto.indexOf(QChar(0)); // -1: no statement before
    const QString segunda = texto.sliced(nulo + 1);
    SentenciaParametrizada tras;
    SentenciaParametrizada sola;
    Parametrizar(texto.first(qMax<qsizetype>(nulo, 0)), tras);
    const bool leida = Parametrizar(segunda, tras);
    if (leida != Parametrizar(segunda, sola) ||
        (leida &&
         (Recompuesta(tras) != segunda || tras.forma != sola.forma || tras.huecos != sola.huecos)))
        abort();
    return 0;
}
