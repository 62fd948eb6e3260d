// Texts written into a real database through FormatoSQL read back exactly as
// the trimmed texts: the literal the run builds its statements with is sound
// for whatever a debit line holds.

#include "app/modGral.h"
#include "platform/Ansi.h"
#include "platform/Conexion.h"
#include "tests/comun/Entorno.h"
#include "util/FormatoSQL.h"
#include "util/Recorte.h"
#include "util/Variante.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTest>

#include <sqlite3.h>

#include <optional>

namespace {

constexpr int kTextosAlAzar = 3000;
const QString kArchivo = QStringLiteral("lote'01 .txt");

// The characters that break naive literals, and some that merely travel far.
QString Alfabeto() {
    QString alfabeto = QStringLiteral("'\\\"%_;?-*/() Aaz09ñÑáéíóúüÜçÇ€ŠšŽžŸŒœ“”‘’…—–·ºª¿¡");
    for (char16_t c = 1; c < 0x20; ++c)
        alfabeto += QChar(c);
    alfabeto += QChar(0x7F);
    alfabeto += QString::fromUtf16(u"\u0081\u008D\u008F\u0090\u009D");
    return alfabeto;
}

QString TextoAlAzar(QRandomGenerator& azar, const QString& alfabeto) {
    QString texto(QString(azar.bounded(4), u' '));
    const int longitud = azar.bounded(1, 90);
    for (int i = 0; i < longitud; ++i)
        texto += alfabeto.at(azar.bounded(alfabeto.size()));
    return texto + QString(azar.bounded(4), u' ');
}

// Every row of Datos for the file, in the order inserted; a null as nothing.
QList<std::optional<QString>> Leer(const QString& base, const QString& archivo) {
    QList<std::optional<QString>> filas;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(base).constData(), &db, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK) {
        sqlite3_close(db);
        return filas;
    }
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT t_datos FROM Datos WHERE t_archivo = ?1 ORDER BY rowid", -1, &st,
                       nullptr);
    const QByteArray clave = archivo.toUtf8();
    sqlite3_bind_text(st, 1, clave.constData(), static_cast<int>(clave.size()), SQLITE_STATIC);
    while (sqlite3_step(st) == SQLITE_ROW) {
        if (sqlite3_column_type(st, 0) == SQLITE_NULL) {
            filas.append(std::nullopt);
            continue;
        }
        const auto* texto = static_cast<const char*>(sqlite3_column_blob(st, 0));
        filas.append(QString::fromUtf8(texto, sqlite3_column_bytes(st, 0)));
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return filas;
}

void Insertar(Conexion& conexion, const QVariant& texto) {
    const bool nuloSiVacio = true;
    conexion.Execute(QStringLiteral(" INSERT INTO Datos (t_datos, t_archivo) ") +
                     QStringLiteral(" VALUES (") + FormatoSQL(texto, tsTexto, nuloSiVacio) +
                     QStringLiteral(", ") + FormatoSQL(kArchivo, tsTexto, nuloSiVacio) +
                     QStringLiteral(") "));
}

} // namespace

class PruebaFormatoSQLBaseDatos : public QObject {
    Q_OBJECT

private slots:
    void textosVuelvenRecortados();
    void vacioEsNulo();
};

void PruebaFormatoSQLBaseDatos::textosVuelvenRecortados() {
    CarpetaPrueba carpeta;
    QStringList textos = {
        QStringLiteral("O'Brien"),
        QStringLiteral("'"),
        QStringLiteral("''"),
        QStringLiteral("   "),
        QStringLiteral("' OR '1'='1"),
        QStringLiteral("a'); DROP TABLE Datos; --"),
        QStringLiteral("C:\\dir\\"),
        QStringLiteral("\\'"),
        QStringLiteral(" \t tab \t "),
        QStringLiteral("?"),
        QStringLiteral("'?'"),
        QString::fromUtf16(u"a\0b", 3),
        DesdeAnsi(QByteArray("\x80\x81\x8D\x8F\x90\x9D\x9F\xA0\xFF")),
    };
    QRandomGenerator azar(2024);
    const QString alfabeto = Alfabeto();
    for (int i = 0; i < kTextosAlAzar; ++i)
        textos << TextoAlAzar(azar, alfabeto);

    {
        Conexion conexion;
        conexion.SetConnectionString(CadenaConexion(carpeta.Ruta()));
        conexion.Open();
        conexion.BeginTrans(); // one commit: thousands of separate ones take long
        for (const QString& texto : std::as_const(textos))
            Insertar(conexion, texto);
        conexion.CommitTrans();
    }

    const auto filas = Leer(carpeta.Base(), kArchivo);
    QCOMPARE(filas.size(), textos.size());
    for (qsizetype i = 0; i < textos.size(); ++i) {
        QVERIFY2(filas[i].has_value(), qPrintable(textos[i]));
        QCOMPARE(*filas[i], RecortarEspacios(textos[i]).toString());
    }
}

void PruebaFormatoSQLBaseDatos::vacioEsNulo() {
    CarpetaPrueba carpeta;
    {
        Conexion conexion;
        conexion.SetConnectionString(CadenaConexion(carpeta.Ruta()));
        conexion.Open();
        Insertar(conexion, QString());
        Insertar(conexion, QVariant());
        Insertar(conexion, NuloBD());
        Insertar(conexion, QStringLiteral(" "));
    }
    const auto filas = Leer(carpeta.Base(), kArchivo);
    QCOMPARE(filas.size(), 4);
    QVERIFY(!filas[0].has_value());
    QVERIFY(!filas[1].has_value());
    QVERIFY(!filas[2].has_value());
    QCOMPARE(filas[3], std::optional<QString>(QString()));
}

QTEST_GUILESS_MAIN(PruebaFormatoSQLBaseDatos)
#include "tst_formatosql_basedatos.moc"
