#include "platform/odbc/OdbcPostgres.h"

#include <QList>
#include <QPair>
#include <QRegularExpression>
#include <QStringList>

namespace {

// Rows come through a cursor, a thousand at a time: otherwise psqlODBC reads
// a whole result into memory first (110 MiB for a million rows of 60
// characters, against 19 MiB). Debian's psqlODBC writes a log that anyone can
// read into /tmp unless told not to. "pqopt" is written even when empty, so
// that settings dropped from the server's string leave the data source too.
QList<QPair<QLatin1String, QString>> Claves(const DestinoPostgres& d) {
    const QString modo = d.tls.isEmpty() ? QString() : d.tls.constFirst().second;
    return {{QLatin1String("Servername"), d.servidor},
            {QLatin1String("Port"), d.puerto},
            {QLatin1String("Database"), d.base},
            {QLatin1String("Username"), d.usuario},
            {QLatin1String("SSLmode"), modo},
            {QLatin1String("pqopt"), OpcionesTlsPostgres(d)},
            {QLatin1String("UseDeclareFetch"), QStringLiteral("1")},
            {QLatin1String("Fetch"), QStringLiteral("1000")},
            {QLatin1String("Debug"), QStringLiteral("0")},
            {QLatin1String("CommLog"), QStringLiteral("0")}};
}

bool Obligatoria(QLatin1String clave) {
    return clave != QLatin1String("pqopt");
}

// A value in libpq's connection string: quoted when it holds a blank or a quote.
QString ValorLibpq(QString valor) {
    if (!valor.isEmpty() && !valor.contains(QRegularExpression(QStringLiteral("[\\s'\\\\]"))))
        return valor;
    valor.replace(u'\\', QLatin1String("\\\\")).replace(u'\'', QLatin1String("\\'"));
    return u'\'' + valor + u'\'';
}

} // namespace

QString OpcionesTlsPostgres(const DestinoPostgres& destino) {
    QStringList opciones;
    for (qsizetype i = 1; i < destino.tls.size(); ++i) {
        if (!destino.tls[i].second.isEmpty())
            opciones << destino.tls[i].first + u'=' + ValorLibpq(destino.tls[i].second);
    }
    return opciones.join(u' ');
}

QByteArray AtributosOdbcPostgres(const QString& fuente, const DestinoPostgres& destino) {
    QByteArray lista = "DSN=" + fuente.toUtf8() + '\0';
    for (const auto& [clave, valor] : Claves(destino)) {
        if (!valor.isEmpty() || !Obligatoria(clave))
            lista += QByteArray(clave.data(), clave.size()) + '=' + valor.toUtf8() + '\0';
    }
    return lista + '\0';
}
