// The history's CSV and JSON: a row of any texts, written out, parses back strictly (RFC 4180
// with CR LF; JSON with every control character escaped) to the texts stored; CSV read back.
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

// A CSV field read back: one leading "'" off; a run of backslashes before "n", "r",
// "t", "u", "U" or "x0" to "x7" is doubled, and an odd one ends in an escape: "\n",
// "\r", "\t", "\x00" to "\x7F", "\u" and four hexadecimal digits, "\U" and eight.
static QString Leido(const QString& campo) {
    static const QRegularExpression barras(QStringLiteral("(\\\\+)((?=[nrtuU]|x[0-7]))?"));
    static const QRegularExpression escape(
        QStringLiteral("^(?:[nrt]|x[0-7][0-9A-F]|u[0-9A-F]{4}|U[0-9A-F]{8})"));
    QString texto = campo.sliced(campo.startsWith(u'\'') ? 1 : 0);
    QRegularExpressionMatch m;
    for (qsizetype i = 0; (i = texto.indexOf(barras, i, &m)) >= 0;) {
        const qsizetype n = m.capturedLength(1);
        const QString e =
            m.hasCaptured(2) && n % 2 ? escape.match(texto.sliced(i + n)).captured() : QString();
        QString hecho(m.hasCaptured(2) ? n / 2 : n, u'\\');
        if (!e.isEmpty())
            hecho += QStringView(QChar::fromUcs4(e.size() == 1
                                                     ? U"\n\r\t"[QStringView(u"nrt").indexOf(e)]
                                                     : e.sliced(1).toUInt(nullptr, 16)));
        texto.replace(i, n + e.size(), hecho);
        i += hecho.size();
    }
    return texto;
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
        objetos.size() != 1 ||
        json.contains(QRegularExpression(QStringLiteral("[\\x00-\\x09\\x0B-\\x1F]"))))
        abort();
    for (int i = Historial::Inicio; i < Historial::NumeroCampos; ++i) {
        const QJsonValue valor = objetos[0].toObject()[Historial::Columnas()[i]];
        // Nothing that hides or disguises text, no formula, reaches a CSV field raw; a
        // field that is wholly a number ("+2", "-12,50") is no formula.
        static const QRegularExpression oculto(
            QStringLiteral("(?![\\x{200C}\\x{200D}])[\\p{Cc}\\p{Cf}\\p{Zl}\\p{Zp}\\p{Cs}\\x{115F}"
                           "\\x{1160}\\x{3164}\\x{FFA0}]|^(?![-+]?[0-9]+([.,][0-9]+)?$)[=+\\-@]"));
        if (filas[1][i].contains(oculto) || Leido(filas[1][i]) != fila[i] ||
            (valor.isString() ? valor.toString() : QString::number(valor.toInteger())) != fila[i])
            abort();
    }
    return 0;
}
