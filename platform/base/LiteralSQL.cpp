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
    QStringView vista;
    valor.resize(0);
    const qsizetype fin = LeerLiteral(texto, inicio, vista, valor);
    if (fin >= 0 && valor.isEmpty())
        valor.append(vista);
    return fin;
}

qsizetype LeerLiteral(QStringView texto, qsizetype inicio, QStringView& vista, QString& valor) {
    const qsizetype cierra = texto.indexOf(u'\'', inicio + 1);
    if (cierra < 0)
        return -1;
    if (cierra + 1 >= texto.size() || texto[cierra + 1] != u'\'') {
        vista = texto.sliced(inicio + 1, cierra - inicio - 1);
        return cierra + 1;
    }
    valor.resize(0);
    qsizetype desde = inicio + 1;
    while (true) {
        const qsizetype fin = texto.indexOf(u'\'', desde);
        if (fin < 0)
            return -1;
        valor.append(texto.sliced(desde, fin - desde));
        if (fin + 1 < texto.size() && texto[fin + 1] == u'\'') {
            valor += u'\'';
            desde = fin + 2;
            continue;
        }
        vista = valor;
        return fin + 1;
    }
}
