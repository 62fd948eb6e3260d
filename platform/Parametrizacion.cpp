#include "platform/Parametrizacion.h"

#include "platform/LiteralSQL.h"

bool Parametrizar(QStringView sql, SentenciaParametrizada& sentencia) {
    sentencia.forma.clear();
    sentencia.forma.reserve(sql.size());
    sentencia.literales.clear();
    qsizetype i = 0;
    while (true) {
        const qsizetype abre = sql.indexOf(u'\'', i);
        if (abre < 0) {
            sentencia.forma.append(sql.mid(i));
            return true;
        }
        sentencia.forma.append(sql.mid(i, abre - i));
        QString valor;
        i = LeerLiteral(sql, abre, valor);
        if (i < 0)
            return false;
        sentencia.forma += u'?';
        sentencia.literales.append(std::move(valor));
    }
}
