// SQL literals, kind by kind, and the Val rule they rest on.

#include "platform/ErrorEjecucion.h"
#include "util/FormatoSQL.h"
#include "util/Val.h"
#include "util/Variante.h"

#include <QDate>
#include <QDateTime>
#include <QStringList>
#include <QTest>
#include <QTime>

#include <limits>
#include <optional>

namespace {

void Fila(const char* nombre, const QVariant& valor, bool nuloSiVacio, const QString& esperado) {
    QTest::newRow(nombre) << valor << nuloSiVacio << esperado;
}

void Columnas() {
    QTest::addColumn<QVariant>("valor");
    QTest::addColumn<bool>("nuloSiVacio");
    QTest::addColumn<QString>("esperado");
}

QVariant Texto(const char16_t* texto) {
    return QVariant(QString::fromUtf16(texto));
}

const QString kNull = QStringLiteral("Null");

std::optional<int32_t> NumeroDeError(const QVariant& valor, int32_t tipo) {
    try {
        FormatoSQL(valor, tipo, false);
    } catch (const ErrorEjecucion& e) {
        return e.Numero();
    }
    return std::nullopt;
}

} // namespace

class PruebaFormatoSQL : public QObject {
    Q_OBJECT

private slots:
    void numero_data();
    void numero();
    void fecha_data();
    void fecha();
    void texto_data();
    void texto();
    void booleano_data();
    void booleano();
    void hora_data();
    void hora();
    void otrosTipos_data();
    void otrosTipos();
    void nuloDeBaseDatosEnTodosLosTipos();
    void valoresSinFormaDeTexto();
    void val_data();
    void val();
    void valDesborda();
    void numeroDeTexto_data();
    void numeroDeTexto();
};

void PruebaFormatoSQL::numero_data() {
    Columnas();
    Fila("cero", 0, false, QStringLiteral("0"));
    Fila("cero, nulo si vacio", 0, true, kNull);
    Fila("cero real, nulo si vacio", 0.0, true, kNull);
    Fila("entero", 42, true, QStringLiteral("42"));
    Fila("negativo", -7, false, QStringLiteral("-7"));
    Fila("decimal con punto", 1.5, false, QStringLiteral("1.5"));
    Fila("sin separador de miles", 1234567.891, false, QStringLiteral("1234567.891"));
    Fila("quince cifras", 0.1 + 0.2, false, QStringLiteral("0.3"));
    Fila("quince cifras enteras", 123456789012345.0, false, QStringLiteral("123456789012345"));
    Fila("exponente grande", 1e15, false, QStringLiteral("1E+15"));
    Fila("exponente pequeño", 1e-5, true, QStringLiteral("1E-05"));
    Fila("entero de 64 bits", QVariant(qlonglong(9007199254740993)), false,
         QStringLiteral("9.00719925474099E+15"));
    Fila("sin signo", QVariant(4000000000u), false, QStringLiteral("4000000000"));
    Fila("texto numerico", Texto(u"12"), false, QStringLiteral("12"));
    Fila("texto con blancos", Texto(u" 12 "), false, QStringLiteral("12"));
    Fila("texto decimal", Texto(u"-1.25"), false, QStringLiteral("-1.25"));
    Fila("texto con exponente", Texto(u"1e3"), false, QStringLiteral("1000"));
    Fila("texto cero, nulo si vacio", Texto(u"0.0"), true, kNull);
    Fila("texto menos cero", Texto(u"-0"), false, QStringLiteral("0"));
    Fila("texto hexadecimal", Texto(u"&HFF"), false, QStringLiteral("255"));
    Fila("texto octal", Texto(u"&o17"), false, QStringLiteral("15"));
    Fila("texto con coma no es numero", Texto(u"1,5"), false, kNull);
    Fila("texto no numerico", Texto(u"abc"), false, kNull);
    Fila("texto no numerico, nulo si vacio", Texto(u"abc"), true, kNull);
    Fila("numero seguido de letras", Texto(u"12abc"), false, kNull);
    Fila("texto vacio", Texto(u""), false, kNull);
    Fila("texto que desborda", Texto(u"1E999"), false, kNull);
    Fila("vacio", QVariant(), false, kNull);
    Fila("booleano", true, false, kNull);
    Fila("fecha", QDate(2024, 1, 31), false, kNull);
}

void PruebaFormatoSQL::numero() {
    QFETCH(QVariant, valor);
    QFETCH(bool, nuloSiVacio);
    QFETCH(QString, esperado);
    const QString literal = FormatoSQL(valor, tsNumero, nuloSiVacio);
    QCOMPARE(literal, esperado);
    QVERIFY(!literal.contains(u','));
}

void PruebaFormatoSQL::fecha_data() {
    Columnas();
    Fila("fecha", QDate(2024, 1, 31), false, QStringLiteral("#01/31/2024#"));
    Fila("fecha, nulo si vacio", QDate(2024, 1, 31), true, QStringLiteral("#01/31/2024#"));
    Fila("fecha y hora sin la hora", QDateTime(QDate(2024, 2, 9), QTime(13, 45)), false,
         QStringLiteral("#02/09/2024#"));
    Fila("texto ISO", Texto(u"2024-01-31"), false, QStringLiteral("#01/31/2024#"));
    Fila("texto mes/dia/año", Texto(u"1/5/2024"), false, QStringLiteral("#01/05/2024#"));
    Fila("texto con hora", Texto(u" 01/31/2024 10:30 "), false, QStringLiteral("#01/31/2024#"));
    Fila("año de cuatro cifras", QDate(100, 3, 4), false, QStringLiteral("#03/04/0100#"));
    Fila("año fuera del intervalo", QDate(99, 1, 1), false, kNull);
    Fila("dia/mes/año no es fecha", Texto(u"31/01/2024"), false, kNull);
    Fila("texto no fecha", Texto(u"abc"), false, kNull);
    Fila("texto no fecha, nulo si vacio", Texto(u"abc"), true, kNull);
    Fila("texto vacio", Texto(u""), false, kNull);
    Fila("vacio", QVariant(), true, kNull);
    Fila("numero", 45000, false, kNull);
    Fila("hora sola", QTime(10, 0), false, kNull);
    Fila("texto de hora sola", Texto(u"10:00"), false, kNull);
    Fila("fecha nula", QDate(), false, kNull);
}

void PruebaFormatoSQL::fecha() {
    QFETCH(QVariant, valor);
    QFETCH(bool, nuloSiVacio);
    QFETCH(QString, esperado);
    QCOMPARE(FormatoSQL(valor, tsFecha, nuloSiVacio), esperado);
}

void PruebaFormatoSQL::texto_data() {
    Columnas();
    Fila("vacio, nulo si vacio", Texto(u""), true, kNull);
    Fila("vacio", Texto(u""), false, QStringLiteral("''"));
    Fila("solo espacios no es vacio", Texto(u"   "), true, QStringLiteral("''"));
    Fila("apostrofo", Texto(u"O'Brien"), true, QStringLiteral("'O''Brien'"));
    Fila("espacios alrededor", Texto(u"  D001  "), true, QStringLiteral("'D001'"));
    Fila("apostrofo entre espacios", Texto(u" ' "), true, QStringLiteral("''''"));
    Fila("dos apostrofos", Texto(u"''"), true, QStringLiteral("''''''"));
    Fila("tabuladores se quedan", Texto(u"\tA\t"), true, QStringLiteral("'\tA\t'"));
    Fila("barra invertida", Texto(u"C:\\x\\"), true, QStringLiteral("'C:\\x\\'"));
    Fila("latin", Texto(u" Peña € "), true, QStringLiteral("'Peña €'"));
    Fila("Empty, nulo si vacio", QVariant(), true, kNull);
    Fila("Empty", QVariant(), false, QStringLiteral("''"));
    Fila("numero", 42, true, QStringLiteral("'42'"));
    Fila("cero no es vacio", 0, true, QStringLiteral("'0'"));
    Fila("decimal", 1.5, true, QStringLiteral("'1.5'"));
    Fila("booleano", true, true, QStringLiteral("'Verdadero'"));
    Fila("fecha", QDate(2024, 1, 31), true, QStringLiteral("'01/31/2024'"));
    Fila("caracter", QVariant(QChar(u'\'')), true, QStringLiteral("''''"));
}

void PruebaFormatoSQL::texto() {
    QFETCH(QVariant, valor);
    QFETCH(bool, nuloSiVacio);
    QFETCH(QString, esperado);
    QCOMPARE(FormatoSQL(valor, tsTexto, nuloSiVacio), esperado);
}

void PruebaFormatoSQL::booleano_data() {
    Columnas();
    Fila("verdadero", true, false, QStringLiteral("-1"));
    Fila("falso", false, false, QStringLiteral("0"));
    Fila("falso, nulo si vacio", false, true, QStringLiteral("0"));
    Fila("menos uno", -1, false, QStringLiteral("-1"));
    Fila("cero", 0, true, QStringLiteral("0"));
    Fila("otro numero", 5, false, QStringLiteral("-1"));
    Fila("fraccion", 0.5, false, QStringLiteral("-1"));
    Fila("Verdadero", Texto(u"Verdadero"), false, QStringLiteral("-1"));
    Fila("True", Texto(u"True"), false, QStringLiteral("-1"));
    Fila("la caja cuenta", Texto(u"verdadero"), false, QStringLiteral("0"));
    Fila("true en minusculas", Texto(u"true"), false, QStringLiteral("0"));
    Fila("texto menos uno", Texto(u" -1 "), false, QStringLiteral("-1"));
    Fila("texto cero", Texto(u"0"), false, QStringLiteral("0"));
    Fila("texto no cero", Texto(u"2.5"), false, QStringLiteral("-1"));
    Fila("texto cualquiera", Texto(u"abc"), false, QStringLiteral("0"));
    Fila("Falso", Texto(u"Falso"), false, QStringLiteral("0"));
    Fila("texto vacio", Texto(u""), true, QStringLiteral("0"));
    Fila("Empty", QVariant(), true, QStringLiteral("0"));
    Fila("fecha", QDate(2024, 1, 31), false, QStringLiteral("-1"));
    Fila("medianoche del dia cero", QTime(0, 0), false, QStringLiteral("0"));
}

void PruebaFormatoSQL::booleano() {
    QFETCH(QVariant, valor);
    QFETCH(bool, nuloSiVacio);
    QFETCH(QString, esperado);
    QCOMPARE(FormatoSQL(valor, tsBooleano, nuloSiVacio), esperado);
}

void PruebaFormatoSQL::hora_data() {
    Columnas();
    Fila("hora", QTime(13, 5, 9), false, QStringLiteral("'13:05:09'"));
    Fila("hora, nulo si vacio", QTime(0, 0), true, QStringLiteral("'00:00:00'"));
    Fila("fecha y hora sin la fecha", QDateTime(QDate(2024, 2, 9), QTime(23, 59, 58)), false,
         QStringLiteral("'23:59:58'"));
    Fila("fecha sola", QDate(2024, 1, 31), false, QStringLiteral("'00:00:00'"));
    Fila("Empty", QVariant(), false, kNull);
    Fila("texto vacio", Texto(u""), false, kNull);
    Fila("texto de hora", Texto(u"7:05"), false, QStringLiteral("'07:05:00'"));
    Fila("texto de fecha y hora", Texto(u"2024-01-31 23:59:59"), false,
         QStringLiteral("'23:59:59'"));
    Fila("numero de serie", 0.5, false, QStringLiteral("'12:00:00'"));
    Fila("texto que no es hora", Texto(u"O'x"), false, QStringLiteral("'O''x'"));
}

void PruebaFormatoSQL::hora() {
    QFETCH(QVariant, valor);
    QFETCH(bool, nuloSiVacio);
    QFETCH(QString, esperado);
    const QString literal = FormatoSQL(valor, tsHora, nuloSiVacio);
    QCOMPARE(literal, esperado);
    QVERIFY(!literal.contains(u'#'));
}

void PruebaFormatoSQL::otrosTipos_data() {
    QTest::addColumn<int>("tipo");
    QTest::addColumn<QVariant>("valor");
    QTest::newRow("5, texto") << 5 << Texto(u"abc");
    QTest::newRow("-1, texto") << -1 << Texto(u"abc");
    QTest::newRow("5, numero") << 5 << QVariant(7);
    QTest::newRow("mayor, Empty") << std::numeric_limits<int>::max() << QVariant();
    QTest::newRow("menor, sin forma de texto")
        << std::numeric_limits<int>::min() << QVariant(QStringList{QStringLiteral("a")});
}

void PruebaFormatoSQL::otrosTipos() {
    QFETCH(int, tipo);
    QFETCH(QVariant, valor);
    QCOMPARE(FormatoSQL(valor, tipo, true), QString());
    QCOMPARE(FormatoSQL(valor, tipo, false), QString());
}

void PruebaFormatoSQL::nuloDeBaseDatosEnTodosLosTipos() {
    QVERIFY(EsNuloBD(NuloBD()));
    QVERIFY(!EsNuloBD(QVariant()));
    QVERIFY(NuloBD() == NuloBD());
    for (const int tipo :
         {int(tsNumero), int(tsFecha), int(tsTexto), int(tsBooleano), int(tsHora), 5, -1}) {
        QCOMPARE(FormatoSQL(NuloBD(), tipo, true), kNull);
        QCOMPARE(FormatoSQL(NuloBD(), tipo, false), kNull);
    }
}

void PruebaFormatoSQL::valoresSinFormaDeTexto() {
    const QVariant lista(QStringList{QStringLiteral("a")});
    for (const TipoSQL tipo : {tsNumero, tsFecha, tsTexto, tsBooleano, tsHora})
        QCOMPARE(NumeroDeError(lista, tipo), std::optional<int32_t>(13));
    QCOMPARE(NumeroDeError(std::numeric_limits<double>::infinity(), tsTexto),
             std::optional<int32_t>(6));
}

void PruebaFormatoSQL::val_data() {
    QTest::addColumn<QString>("texto");
    QTest::addColumn<double>("numero");
    QTest::newRow("blancos en cualquier sitio") << QStringLiteral(" 1 2\t3\n") << 123.0;
    QTest::newRow("signo, decimal y exponente") << QStringLiteral("\t-\n4.5e1x") << -45.0;
    QTest::newRow("exponente con blancos") << QStringLiteral("1 e 2") << 100.0;
    QTest::newRow("exponente negativo") << QStringLiteral("1E-2") << 0.01;
    QTest::newRow("mas") << QStringLiteral("+3") << 3.0;
    QTest::newRow("dos signos") << QStringLiteral("--3") << 0.0;
    QTest::newRow("segundo punto para") << QStringLiteral("1.2.3") << 1.2;
    QTest::newRow("la coma no es decimal") << QStringLiteral("1,5") << 1.0;
    QTest::newRow("punto inicial") << QStringLiteral(".5") << 0.5;
    QTest::newRow("E sin cifras") << QStringLiteral("1e") << 1.0;
    QTest::newRow("E y signo sin cifras") << QStringLiteral("7E+x") << 7.0;
    QTest::newRow("hexadecimal") << QStringLiteral("&HFF") << 255.0;
    QTest::newRow("hexadecimal en minusculas") << QStringLiteral(" &hff zz") << 255.0;
    QTest::newRow("octal") << QStringLiteral("&O777") << 511.0;
    QTest::newRow("octal para en el 8") << QStringLiteral("&O78") << 7.0;
    QTest::newRow("& sin cifras") << QStringLiteral("&H") << 0.0;
    QTest::newRow("& sin letra") << QStringLiteral("&X1") << 0.0;
    QTest::newRow("letras") << QStringLiteral("abc") << 0.0;
    QTest::newRow("vacio") << QString() << 0.0;
    QTest::newRow("punto solo") << QStringLiteral(".") << 0.0;
    QTest::newRow("signo solo") << QStringLiteral("-") << 0.0;
    QTest::newRow("subdesbordamiento") << QStringLiteral("1e-400") << 0.0;
    QTest::newRow("ceros y exponente enorme") << QStringLiteral("0.000e99999") << 0.0;
    QTest::newRow("retorno de carro para") << QStringLiteral("1\r2") << 1.0;
}

void PruebaFormatoSQL::val() {
    QFETCH(QString, texto);
    QFETCH(double, numero);
    const double leido = Val(texto);
    QCOMPARE(leido, numero);
    QVERIFY(!std::signbit(leido) || numero < 0);
}

void PruebaFormatoSQL::valDesborda() {
    for (const char* texto : {"1e400", "-1E309", "99999999999999999999e300"}) {
        try {
            Val(QString::fromLatin1(texto));
            QFAIL(texto);
        } catch (const ErrorEjecucion& e) {
            QCOMPARE(e.Numero(), 6);
        }
    }
}

void PruebaFormatoSQL::numeroDeTexto_data() {
    QTest::addColumn<QString>("texto");
    QTest::addColumn<bool>("esNumero");
    QTest::newRow("entero") << QStringLiteral("12") << true;
    QTest::newRow("blancos alrededor") << QStringLiteral(" \t12\r\n") << true;
    QTest::newRow("blancos dentro") << QStringLiteral("1 2") << false;
    QTest::newRow("decimal y exponente") << QStringLiteral("-1.5E+3") << true;
    QTest::newRow("punto final") << QStringLiteral("1.") << true;
    QTest::newRow("hexadecimal") << QStringLiteral("&H1F") << true;
    QTest::newRow("hexadecimal sin cifras") << QStringLiteral("&H") << false;
    QTest::newRow("coma") << QStringLiteral("1,5") << false;
    QTest::newRow("E colgando") << QStringLiteral("1E") << false;
    QTest::newRow("signo solo") << QStringLiteral("+") << false;
    QTest::newRow("vacio") << QString() << false;
    QTest::newRow("desborda") << QStringLiteral("1E999") << false;
}

void PruebaFormatoSQL::numeroDeTexto() {
    QFETCH(QString, texto);
    QFETCH(bool, esNumero);
    QCOMPARE(NumeroDeTexto(texto).has_value(), esNumero);
}

QTEST_GUILESS_MAIN(PruebaFormatoSQL)
#include "tst_formatosql.moc"
