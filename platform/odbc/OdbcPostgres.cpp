#include "platform/odbc/OdbcPostgres.h"

#include <QFile>
#include <QList>
#include <QPair>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdlib>

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

// A value with a separator or a brace in it goes between braces, its closing
// braces doubled, as ODBC connection strings quote.
QString ValorCadena(const QString& valor) {
    if (!valor.contains(QRegularExpression(QStringLiteral("[;{}=]|^\\s|\\s$"))))
        return valor;
    QString citado = valor;
    citado.replace(u'}', QLatin1String("}}"));
    return u'{' + citado + u'}';
}

// The sections whose logs psqlODBC reads: its two drivers' own names.
bool SeccionPsqlOdbc(const QString& nombre) {
    return nombre.compare(QLatin1String("PostgreSQL Unicode"), Qt::CaseInsensitive) == 0 ||
           nombre.compare(QLatin1String("PostgreSQL ANSI"), Qt::CaseInsensitive) == 0;
}

// The odbcinst.ini `ini` with psqlODBC's logs off; empty when it asks for none.
QByteArray SinRegistros(const QByteArray& ini) {
    static const QRegularExpression seccion(QStringLiteral("^\\s*\\[(.*)\\]\\s*$"));
    static const QRegularExpression registro(QStringLiteral("^\\s*(CommLog|Debug)\\s*=(.*)$"),
                                             QRegularExpression::CaseInsensitiveOption);
    QByteArrayList lineas = ini.split('\n');
    bool propia = false;
    bool cambiada = false;
    for (QByteArray& linea : lineas) {
        const QString texto = QString::fromUtf8(linea);
        if (const QRegularExpressionMatch m = seccion.match(texto); m.hasMatch()) {
            propia = SeccionPsqlOdbc(m.captured(1).trimmed());
            continue;
        }
        const QRegularExpressionMatch m = registro.match(texto);
        // NOLINTNEXTLINE(cert-err34-c) read as the driver reads it: with atoi
        if (propia && m.hasMatch() && std::atoi(m.captured(2).toLatin1().constData()) != 0) {
            linea = m.captured(1).toLatin1() + "=0";
            cambiada = true;
        }
    }
    return cambiada ? lineas.join('\n') : QByteArray();
}

} // namespace

void ApagarRegistrosPsqlOdbc() {
    const QString sistema = qEnvironmentVariable("ODBCSYSINI", QStringLiteral("/etc"));
    QFile original(sistema + u'/' +
                   qEnvironmentVariable("ODBCINSTINI", QStringLiteral("odbcinst.ini")));
    if (!original.open(QIODevice::ReadOnly))
        return;
    const QByteArray copia = SinRegistros(original.readAll());
    if (copia.isEmpty())
        return;
    // Kept while the process lives: the driver manager reads it again and again.
    static QTemporaryDir carpeta;
    QFile destino(carpeta.filePath(QStringLiteral("odbcinst.ini")));
    if (!carpeta.isValid() || !destino.open(QIODevice::WriteOnly) ||
        destino.write(copia) != copia.size() || !destino.flush())
        return;
    // A missing one is left missing: unixODBC would make it through the link.
    const QString fuentes = sistema + QStringLiteral("/odbc.ini");
    if (QFile::exists(fuentes))
        QFile::link(fuentes, carpeta.filePath(QStringLiteral("odbc.ini")));
    qputenv("ODBCSYSINI", QFile::encodeName(carpeta.path()));
    qputenv("ODBCINSTINI", "odbcinst.ini");
}

QString OpcionesTlsPostgres(const DestinoPostgres& destino) {
    QStringList opciones;
    for (qsizetype i = 1; i < destino.tls.size(); ++i) {
        if (!destino.tls[i].second.isEmpty())
            opciones << destino.tls[i].first + u'=' + ValorLibpq(destino.tls[i].second);
    }
    return opciones.join(u' ');
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
        if (!valor.isEmpty() || !Obligatoria(clave))
            lista += QByteArray(clave.data(), clave.size()) + '=' + valor.toUtf8() + '\0';
    }
    return lista + '\0';
}
