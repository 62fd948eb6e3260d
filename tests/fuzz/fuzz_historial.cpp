// The history's CSV and JSON: a row of any texts, written out, parses back
// strictly (RFC 4180 with CR LF; JSON with every control character escaped)
// to the texts stored. Texts the listing may show otherwise (control
// characters, a leading = + - @) are only required to parse.
#include "platform/base/BaseDatos.h"
#include "platform/base/Conexion.h"
#include "platform/proceso/ArchivosPrograma.h"
#include "run/ListaHistorial.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

static bool Llano(const QString& t) {
    return !t.contains(QRegularExpression(QStringLiteral("[\\x00-\\x1f\\x7f]|^[=+\\-@]")));
}

// Each field bare (no quote, comma or line end) or quoted with its quotes
// doubled, each record ended by CR LF, nothing else.
static QList<QStringList> LeerCsv(const QString& t) {
    static const QRegularExpression campo(
        QStringLiteral("\\G(?:\"((?:[^\"]|\"\")*)\"|([^\",\\r\\n]*))(,|\\r\\n)"));
    QList<QStringList> filas(1);
    qsizetype fin = 0;
    for (QRegularExpressionMatchIterator i = campo.globalMatch(t); i.hasNext();) {
        const QRegularExpressionMatch m = i.next();
        fin = m.capturedEnd();
        filas.last() << (m.hasCaptured(1)
                             ? m.captured(1).replace(QStringLiteral("\"\""), QStringLiteral("\""))
                             : m.captured(2));
        if (m.captured(3) == u"\r\n")
            filas << QStringList();
    }
    return fin == t.size() ? filas : (abort(), filas);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t largo) {
    static Conexion conexion;
    if (!conexion.EstaAbierta()) {
        const QString base = QDir::temp().filePath(QStringLiteral("fuzz_historial.mdb"));
        QFile::remove(base);
        bool creada = false;
        QString error;
        if (!CrearBaseDatos(base, ArchivosPrograma::ContrasenaBase, &creada, &error))
            abort();
        conexion.SetConnectionString(
            QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + base +
            QStringLiteral(";Jet OLEDB:Database Password=") + ArchivosPrograma::ContrasenaBase);
        conexion.Open();
    }
    Historial::Fila fila =
        QString::fromUtf8(reinterpret_cast<const char*>(datos), qsizetype(largo)).split(QChar(0));
    fila.resize(Historial::NumeroCampos);
    for (const int n : {Historial::Id, Historial::Tamano, Historial::Lineas, Historial::Filas,
                        Historial::ErrorNumero})
        fila[n] = QString::number(fila[n].size());
    conexion.Execute(QStringLiteral("DELETE FROM Historial"));
    Historial::Agregar(conexion, fila);
    QString csv;
    QString json;
    const auto nada = [](const QString&) {
    };
    ListarHistorial(
        conexion, {}, FormatoHistorial::Csv, [&](const QString& t) { csv += t; }, nada);
    ListarHistorial(
        conexion, {}, FormatoHistorial::Json, [&](const QString& t) { json += t; }, nada);
    const QList<QStringList> filas = LeerCsv(csv);
    QJsonParseError error;
    const QJsonArray objetos = QJsonDocument::fromJson(json.toUtf8(), &error).array();
    if (filas.size() != 3 || filas[0] != Historial::Columnas() ||
        filas[1].size() != Historial::NumeroCampos || error.error != QJsonParseError::NoError ||
        objetos.size() != 1)
        abort();
    for (const QChar c : json)
        if (c.unicode() < 0x20 && c != u'\n')
            abort();
    for (int i = Historial::Inicio; i < Historial::NumeroCampos; ++i) {
        const QJsonValue valor = objetos[0].toObject()[Historial::Columnas()[i]];
        if (Llano(fila[i]) &&
            (filas[1][i] != fila[i] ||
             (valor.isString() ? valor.toString() : QString::number(valor.toInteger())) != fila[i]))
            abort();
    }
    return 0;
}
