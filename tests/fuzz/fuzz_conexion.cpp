// Connection strings and ODBC values: what the program writes for a value
// parses back to that value, in its own strings, in the installer's attributes
// and in libpq's options (PQconninfoParse).
#include "platform/base/CadenaConexion.h"
#include "platform/odbc/OdbcPostgres.h"

#include <libpq-fe.h>

// The value of `clave` among the installer's "KEY=value" pieces.
static QString Atributo(const QList<QByteArray>& piezas, const QByteArray& clave) {
    for (const QByteArray& pieza : piezas)
        if (pieza.startsWith(clave + '='))
            return QString::fromUtf8(pieza.mid(clave.size() + 1));
    return QString();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t largo) {
    QStringList v =
        QString::fromUtf8(reinterpret_cast<const char*>(datos), qsizetype(largo)).split(QChar(0));
    v.resize(4);
    const QString cadena =
        QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + CitarValorConexion(v[0]) +
        QStringLiteral(";Jet OLEDB:Database Password=") + CitarValorConexion(v[1]);
    if (ValorConexion(cadena, QStringLiteral("data source")) != v[0] ||
        ValorConexion(cadena, QStringLiteral("Jet OLEDB:Database Password")) != v[1])
        abort();
    ValorConexion(v[0], v[1]);
    const DestinoPostgres d{v[0],
                            v[1],
                            v[2],
                            v[3],
                            {{"sslmode", "verify-full"}, {"sslrootcert", v[2]}, {"sslcrl", v[3]}}};
    const QByteArray atributos = AtributosOdbcPostgres(QStringLiteral("Cobranzia"), d);
    const QList<QByteArray> piezas = atributos.split('\0');
    for (const auto& [clave, valor] :
         {std::pair{"Servername", v[0]}, {"Port", v[1]}, {"Database", v[2]}, {"Username", v[3]}})
        if (!valor.isEmpty() && Atributo(piezas, clave) != valor)
            abort();
    PQconninfoOption* opciones =
        PQconninfoParse(Atributo(piezas, "pqopt").toUtf8().constData(), nullptr);
    if (opciones == nullptr)
        abort();
    for (PQconninfoOption* o = opciones; o->keyword; ++o)
        if ((qstrcmp(o->keyword, "sslrootcert") == 0 && QString::fromUtf8(o->val) != v[2]) ||
            (qstrcmp(o->keyword, "sslcrl") == 0 && QString::fromUtf8(o->val) != v[3]))
            abort();
    PQconninfoFree(opciones);
    return 0;
}
