#include "platform/base/LiteralSQL.h"

#include <cstring>

QString CitarLiteral(QStringView texto) {
    // One allocation: the run quotes two literals for every line of a file.
    const qsizetype primero = texto.indexOf(u'\'');
    const qsizetype apostrofos = primero < 0 ? 0 : texto.sliced(primero).count(u'\'');
    QString literal(texto.size() + apostrofos + 2, Qt::Uninitialized);
    QChar* salida = literal.data();
    *salida++ = u'\'';
    if (apostrofos == 0 && !texto.isEmpty()) { // an empty view may have no data at all
        std::memcpy(salida, texto.data(), static_cast<size_t>(texto.size()) * sizeof(QChar));
        salida += texto.size();
    } else {
        for (const QChar c : texto) {
            *salida++ = c;
            if (c == u'\'')
                *salida++ = u'\'';
        }
    }
    *salida = u'\'';
    return literal;
}

qsizetype LeerLiteral(QStringView texto, qsizetype inicio, QString& valor) {
    valor.resize(0);
    qsizetype desde = inicio + 1;
    while (true) {
        const qsizetype cierra = texto.indexOf(u'\'', desde);
        if (cierra < 0)
            return -1;
        valor.append(texto.sliced(desde, cierra - desde));
        if (cierra + 1 < texto.size() && texto[cierra + 1] == u'\'') {
            valor += u'\'';
            desde = cierra + 2;
            continue;
        }
        return cierra + 1;
    }
}
