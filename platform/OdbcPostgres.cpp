#include "platform/OdbcPostgres.h"

#include <QList>
#include <QPair>
#include <QRegularExpression>

#include <libpq-fe.h>

namespace {

// Rows come through a cursor, a thousand at a time: otherwise psqlODBC reads
// a whole result into memory first (110 MiB for a million rows of 60
// characters, against 19 MiB).
QList<QPair<QLatin1String, QString>> Claves(const DestinoPostgres& d) {
    return {{QLatin1String("Servername"), d.servidor},
            {QLatin1String("Port"), d.puerto},
            {QLatin1String("Database"), d.base},
            {QLatin1String("Username"), d.usuario},
            {QLatin1String("UseDeclareFetch"), QStringLiteral("1")},
            {QLatin1String("Fetch"), QStringLiteral("1000")}};
}

// A value with a separator or a brace in it goes between braces, its closing
// braces doubled, as ODBC connection strings quote.
QString ValorCadena(const QString& valor) {
    if (!valor.contains(QRegularExpression(QStringLiteral("[;{}=]|^\\s|\\s$"))))
        return valor;
    QString citado = valor;
    citado.replace(u'}', QLatin1String("}}"));
    return u'{' + citado + u'}';
}

} // namespace

DestinoPostgres DestinoDeConexion(const pg_conn* conexion) {
    return {QString::fromUtf8(PQhost(conexion)), QString::fromUtf8(PQport(conexion)),
            QString::fromUtf8(PQdb(conexion)), QString::fromUtf8(PQuser(conexion))};
}

QString CadenaOdbcPostgres(const DestinoPostgres& destino) {
    QString cadena = QLatin1String("DRIVER={") + ControladorOdbcPostgres + u'}';
    for (const auto& [clave, valor] : Claves(destino)) {
        if (!valor.isEmpty())
            cadena += u';' + clave + u'=' + ValorCadena(valor);
    }
    return cadena;
}

QByteArray AtributosOdbcPostgres(const QString& fuente, const DestinoPostgres& destino) {
    QByteArray lista = "DSN=" + fuente.toUtf8() + '\0';
    for (const auto& [clave, valor] : Claves(destino)) {
        if (!valor.isEmpty())
            lista += QByteArray(clave.data(), clave.size()) + '=' + valor.toUtf8() + '\0';
    }
    return lista + '\0';
}
