#include "platform/base/CadenaConexion.h"

#include <QStringList>

namespace {
bool EsClaveConocida(QStringView nombre) {
    static const QStringList claves = {
        QStringLiteral("Provider"),
        QStringLiteral("Data Source"),
        QStringLiteral("Persist Security Info"),
        QStringLiteral("Jet OLEDB:Database Password"),
        QStringLiteral("User ID"),
        QStringLiteral("Password"),
        QStringLiteral("Mode"),
    };
    return claves.contains(nombre.trimmed().toString(), Qt::CaseInsensitive);
}

// Whether the piece at `desde` is "key=" for a known key.
bool EmpiezaClaveConocida(const QString& cadena, qsizetype desde) {
    const qsizetype igual = cadena.indexOf(u'=', desde);
    const qsizetype fin = cadena.indexOf(u';', desde);
    return igual >= 0 && (fin < 0 || igual < fin) &&
           EsClaveConocida(QStringView(cadena).mid(desde, igual - desde));
}
} // namespace

QString ValorConexion(const QString& cadena, const QString& clave) {
    const qsizetype n = cadena.size();
    qsizetype i = 0;
    while (i < n) {
        const qsizetype igual = cadena.indexOf(u'=', i);
        if (igual < 0)
            break;
        const bool buscada =
            QStringView(cadena).mid(i, igual - i).trimmed().compare(clave, Qt::CaseInsensitive) ==
            0;
        i = igual + 1;
        while (i < n && cadena[i] == u' ')
            ++i;
        QString valor;
        if (i < n && (cadena[i] == u'"' || cadena[i] == u'\'')) {
            const QChar comilla = cadena[i++];
            for (; i < n; ++i) {
                if (cadena[i] == comilla && !(i + 1 < n && cadena[i + 1] == comilla))
                    break;
                valor += cadena[i];
                i += cadena[i] == comilla;
            }
            const qsizetype fin = cadena.indexOf(u';', i);
            i = fin < 0 ? n : fin + 1;
        } else {
            qsizetype fin = cadena.indexOf(u';', i);
            while (fin >= 0 && fin + 1 < n && !EmpiezaClaveConocida(cadena, fin + 1))
                fin = cadena.indexOf(u';', fin + 1);
            valor = cadena.mid(i, fin < 0 ? -1 : fin - i);
            i = fin < 0 ? n : fin + 1;
        }
        if (buscada)
            return valor;
    }
    return QString();
}

QString CitarValorConexion(const QString& valor) {
    const bool citar = valor.contains(u';') || valor.contains(u'"') || valor.contains(u'\'') ||
                       valor.startsWith(u' ') || valor.endsWith(u' ');
    if (!citar)
        return valor;
    return u'"' + QString(valor).replace(u'"', QStringLiteral("\"\"")) + u'"';
}
