#include "platform/base/Parametrizacion.h"

#include "platform/base/LiteralSQL.h"

#include <cstring>

namespace {

// Reads the literal that opens at `inicio` into `sentencia`: a view into the
// text, or its own copy when a doubled apostrophe has to become one. Returns
// the position after it, or -1 when it is not closed.
qsizetype Literal(QStringView sql, qsizetype inicio, SentenciaParametrizada& sentencia) {
    QStringView vista;
    QString valor;
    const qsizetype fin = LeerLiteral(sql, inicio, vista, valor);
    if (fin < 0)
        return -1;
    if (!valor.isEmpty()) {
        sentencia.deshechos.append(std::move(valor));
        vista = sentencia.deshechos.constLast();
    }
    sentencia.literales.append(vista);
    return fin;
}

bool Iguales(QStringView a, QStringView b) {
    return a.size() == b.size() &&
           std::memcmp(a.data(), b.data(), size_t(a.size()) * sizeof(QChar)) == 0;
}

// Reads the literals of `sql` when its text outside them is the form already
// in `sentencia`: a run sends one form line after line, and the form then
// needs no building.
bool MismaForma(QStringView sql, SentenciaParametrizada& sentencia) {
    const QStringView forma = sentencia.forma;
    qsizetype i = 0;
    qsizetype j = 0;
    for (qsizetype k = 0;; ++k) {
        const qsizetype hueco = k < sentencia.huecos.size() ? sentencia.huecos[k] : forma.size();
        const qsizetype tramo = hueco - j;
        if (sql.size() - i < tramo || !Iguales(sql.sliced(i, tramo), forma.sliced(j, tramo)))
            return false;
        i += tramo;
        if (k == sentencia.huecos.size())
            return i == sql.size();
        if (i >= sql.size() || sql[i] != u'\'')
            return false;
        i = Literal(sql, i, sentencia);
        if (i < 0)
            return false;
        j = hueco + 1;
    }
}

} // namespace

bool Parametrizar(QStringView sql, SentenciaParametrizada& sentencia) {
    sentencia.literales.clear();
    sentencia.deshechos.clear();
    if (!sentencia.forma.isEmpty() && MismaForma(sql, sentencia))
        return true;
    sentencia.literales.clear();
    sentencia.deshechos.clear();
    // The form keeps its buffer from one statement to the next.
    sentencia.forma.resize(0);
    sentencia.huecos.clear();
    qsizetype i = 0;
    while (true) {
        const qsizetype abre = sql.indexOf(u'\'', i);
        if (abre < 0) {
            sentencia.forma.append(sql.mid(i));
            return true;
        }
        sentencia.forma.append(sql.mid(i, abre - i));
        i = Literal(sql, abre, sentencia);
        if (i < 0) {
            sentencia.forma.resize(0);
            return false;
        }
        sentencia.huecos.append(sentencia.forma.size());
        sentencia.forma += u'?';
    }
}
