// SQL literals, kind by kind, and the Val rule they rest on.

#include "platform/ErrorEjecucion.h"
#include "util/FormatoSQL.h"
#include "util/Val.h"
#include "util/Variante.h"

#include <QDate>
#include <QDateTime>
#include <QTest>
#include <QTime>

namespace {
const QString kNull = QStringLiteral("Null");

void Fila(const char* nombre, const QVariant& valor, int tipo, bool nulo, const QString& esperado) {
    QTest::newRow(nombre) << valor << tipo << nulo << esperado;
}

QVariant T(const char16_t* texto) {
    return QVariant(QString::fromUtf16(texto));
}
} // namespace

class PruebaFormatoSQL : public QObject {
    Q_OBJECT
private slots:
    void literal_data();
    void literal();
    void sinFormaDeTexto();
    void val_data();
    void val();
};

void PruebaFormatoSQL::literal_data() {
    QTest::addColumn<QVariant>("valor");
    QTest::addColumn<int>("tipo");
    QTest::addColumn<bool>("nulo");
    QTest::addColumn<QString>("esperado");

    Fila("número: cero", 0, tsNumero, false, QStringLiteral("0"));
    Fila("número: cero, nulo si vacío", 0.0, tsNumero, true, kNull);
    Fila("número: decimal con punto", 1234567.891, tsNumero, false, QStringLiteral("1234567.891"));
    Fila("número: quince cifras", 0.1 + 0.2, tsNumero, false, QStringLiteral("0.3"));
    Fila("número: exponente", 1e-5, tsNumero, true, QStringLiteral("1E-05"));
    Fila("número: texto", T(u" -1.25 "), tsNumero, false, QStringLiteral("-1.25"));
    Fila("número: hexadecimal", T(u"&HFF"), tsNumero, false, QStringLiteral("255"));
    Fila("número: la coma no es decimal", T(u"1,5"), tsNumero, false, kNull);
    Fila("número: texto no numérico", T(u"12abc"), tsNumero, false, kNull);
    Fila("número: Empty", QVariant(), tsNumero, false, kNull);

    Fila("fecha", QDateTime(QDate(2024, 2, 9), QTime(13, 45)), tsFecha, false,
         QStringLiteral("#02/09/2024#"));
    Fila("fecha: texto mes/día/año", T(u"1/5/2024"), tsFecha, false,
         QStringLiteral("#01/05/2024#"));
    Fila("fecha: día/mes/año no es fecha", T(u"31/01/2024"), tsFecha, true, kNull);
    Fila("fecha: hora sola", QTime(10, 0), tsFecha, false, kNull);

    Fila("texto: vacío, nulo si vacío", T(u""), tsTexto, true, kNull);
    Fila("texto: vacío", T(u""), tsTexto, false, QStringLiteral("''"));
    Fila("texto: solo espacios no es vacío", T(u"   "), tsTexto, true, QStringLiteral("''"));
    Fila("texto: apóstrofo", T(u"O'Brien"), tsTexto, true, QStringLiteral("'O''Brien'"));
    Fila("texto: espacios alrededor", T(u"  D 001  "), tsTexto, true, QStringLiteral("'D 001'"));
    Fila("texto: apóstrofo entre espacios", T(u" ' "), tsTexto, true, QStringLiteral("''''"));
    Fila("texto: tabuladores se quedan", T(u"\tA\t"), tsTexto, true, QStringLiteral("'\tA\t'"));
    Fila("texto: Empty", QVariant(), tsTexto, true, kNull);
    Fila("texto: número", 1.5, tsTexto, true, QStringLiteral("'1.5'"));
    Fila("texto: booleano", true, tsTexto, true, QStringLiteral("'Verdadero'"));

    Fila("booleano: verdadero", true, tsBooleano, false, QStringLiteral("-1"));
    Fila("booleano: falso", false, tsBooleano, true, QStringLiteral("0"));
    Fila("booleano: otro número", 5, tsBooleano, false, QStringLiteral("-1"));
    Fila("booleano: Verdadero", T(u"Verdadero"), tsBooleano, false, QStringLiteral("-1"));
    Fila("booleano: True", T(u"True"), tsBooleano, false, QStringLiteral("-1"));
    Fila("booleano: la caja cuenta", T(u"true"), tsBooleano, false, QStringLiteral("0"));
    Fila("booleano: texto menos uno", T(u" -1 "), tsBooleano, false, QStringLiteral("-1"));
    Fila("booleano: Empty", QVariant(), tsBooleano, true, QStringLiteral("0"));

    Fila("hora", QTime(13, 5, 9), tsHora, false, QStringLiteral("'13:05:09'"));
    Fila("hora: de fecha y hora", QDateTime(QDate(2024, 2, 9), QTime(23, 59, 58)), tsHora, false,
         QStringLiteral("'23:59:58'"));
    Fila("hora: texto", T(u"7:05"), tsHora, false, QStringLiteral("'07:05:00'"));
    Fila("hora: Empty", QVariant(), tsHora, false, kNull);

    Fila("nulo de la base en todos los tipos", NuloBD(), 5, true, kNull);
    Fila("otro tipo", T(u"abc"), 5, false, QString());
    Fila("tipo negativo", 7, -1, false, QString());
}

void PruebaFormatoSQL::literal() {
    QFETCH(QVariant, valor);
    QFETCH(int, tipo);
    QFETCH(bool, nulo);
    QFETCH(QString, esperado);
    QCOMPARE(FormatoSQL(valor, tipo, nulo), esperado);
    if (tipo == tsTexto && esperado != kNull) // never something else than a literal
        QVERIFY(esperado.startsWith(u'\'') && esperado.endsWith(u'\''));
    if (EsNuloBD(valor))
        for (int otro : {tsNumero, tsFecha, tsTexto, tsBooleano, tsHora})
            QCOMPARE(FormatoSQL(valor, otro, false), kNull);
}

void PruebaFormatoSQL::sinFormaDeTexto() {
    try {
        FormatoSQL(QVariant(QStringList{QStringLiteral("a")}), tsTexto, false);
        QFAIL("debió fallar");
    } catch (const ErrorEjecucion& e) {
        QCOMPARE(e.Numero(), 13);
    }
    try {
        FormatoSQL(1e308 * 10, tsNumero, false);
        QFAIL("debió desbordar");
    } catch (const ErrorEjecucion& e) {
        QCOMPARE(e.Numero(), int(Errores::Desbordamiento));
    }
}

void PruebaFormatoSQL::val_data() {
    QTest::addColumn<QString>("texto");
    QTest::addColumn<double>("numero");
    QTest::newRow("blancos en cualquier sitio") << QStringLiteral(" 1 2\t3\n") << 123.0;
    QTest::newRow("signo, decimal y exponente") << QStringLiteral("\t-\n4.5e1x") << -45.0;
    QTest::newRow("exponente negativo") << QStringLiteral("1E-2") << 0.01;
    QTest::newRow("dos signos") << QStringLiteral("--3") << 0.0;
    QTest::newRow("segundo punto para") << QStringLiteral("1.2.3") << 1.2;
    QTest::newRow("la coma no es decimal") << QStringLiteral("1,5") << 1.0;
    QTest::newRow("E sin cifras") << QStringLiteral("7E+x") << 7.0;
    QTest::newRow("octal") << QStringLiteral("&o17") << 15.0;
    QTest::newRow("sin número") << QStringLiteral("abc") << 0.0;
}

void PruebaFormatoSQL::val() {
    QFETCH(QString, texto);
    QFETCH(double, numero);
    QCOMPARE(Val(texto), numero);
}

QTEST_GUILESS_MAIN(PruebaFormatoSQL)
#include "tst_formatosql.moc"
