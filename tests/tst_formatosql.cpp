// SQL literals, kind by kind; counts as a Spanish reader writes them, the
// window's centring among them.

#include "platform/proceso/Cantidad.h"
#include "tests/comun/Entorno.h"
#include "util/FormatoSQL.h"
#include "util/Variante.h"
#include "util/gui/CentrarFormulario.h"

#include <QDate>
#include <QDateTime>
#include <QTest>
#include <QTime>

namespace {
const QString kNull = "Null";

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
    void cantidad_data();
    void cantidad();
};

void PruebaFormatoSQL::literal_data() {
    QTest::addColumn<QVariant>("valor");
    QTest::addColumn<int>("tipo");
    QTest::addColumn<bool>("nulo");
    QTest::addColumn<QString>("esperado");

    Fila("número: cero", 0, tsNumero, false, "0");
    Fila("número: cero, nulo si vacío", 0.0, tsNumero, true, kNull);
    Fila("número: decimal con punto", 1234567.891, tsNumero, false, "1234567.891");
    Fila("número: quince cifras", 0.1 + 0.2, tsNumero, false, "0.3");
    Fila("número: exponente", 1e-5, tsNumero, true, "1E-05");
    Fila("número: texto", T(u" -1.25 "), tsNumero, false, "-1.25");
    Fila("número: la coma no es decimal", T(u"1,5"), tsNumero, false, kNull);
    Fila("número: Empty", QVariant(), tsNumero, false, kNull);

    Fila("fecha", QDateTime(QDate(2024, 2, 9), QTime(13, 45)), tsFecha, false, "#02/09/2024#");
    Fila("fecha: texto mes/día/año", T(u"1/5/2024"), tsFecha, false, "#01/05/2024#");
    Fila("fecha: día/mes/año no es fecha", T(u"31/01/2024"), tsFecha, true, kNull);

    Fila("texto: vacío, nulo si vacío", T(u""), tsTexto, true, kNull);
    Fila("texto: vacío", T(u""), tsTexto, false, "''");
    Fila("texto: solo espacios no es vacío", T(u"   "), tsTexto, true, "''");
    Fila("texto: apóstrofo", T(u"O'Brien"), tsTexto, true, "'O''Brien'");
    Fila("texto: espacios alrededor", T(u"  D 001  "), tsTexto, true, "'D 001'");
    Fila("texto: apóstrofo entre espacios", T(u" ' "), tsTexto, true, "''''");
    Fila("texto: tabuladores se quedan", T(u"\tA\t"), tsTexto, true, "'\tA\t'");
    Fila("texto: Empty", QVariant(), tsTexto, true, kNull);
    Fila("texto: booleano", true, tsTexto, true, "'Verdadero'");

    Fila("booleano: verdadero", true, tsBooleano, false, "-1");
    Fila("booleano: Verdadero", T(u"Verdadero"), tsBooleano, false, "-1");
    Fila("booleano: la caja cuenta", T(u"true"), tsBooleano, false, "0");

    Fila("hora", QTime(13, 5, 9), tsHora, false, "'13:05:09'");

    Fila("nulo de la base en todos los tipos", NuloBD(), 5, true, kNull);
    Fila("otro tipo", T(u"abc"), 5, false, QString());
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

void PruebaFormatoSQL::cantidad_data() {
    QTest::addColumn<qint64>("cantidad");
    QTest::addColumn<QString>("esperado");
    const std::pair<qint64, const char*> cantidades[] = {
        {0, "0"},          {999, "999"},           {1000, "1000"},         {9999, "9999"},
        {10000, "10.000"}, {1216512, "1.216.512"}, {2000000, "2.000.000"}, {-123456, "-123.456"}};
    for (const auto& [n, texto] : cantidades)
        QTest::newRow(texto) << n << QString::fromLatin1(texto);
    // The window's centring, in twips: the difference rounded half to even, halved toward zero.
    QTest::newRow("centrado: 1001") << qint64(PosicionCentrada(1001, 0, 0)) << "500";
    QTest::newRow("centrado: -1001") << qint64(PosicionCentrada(0, 1001, 0)) << "-500";
    QTest::newRow("centrado: 1000,5 es 1000") << qint64(PosicionCentrada(1500.5, 500, 0)) << "500";
    QTest::newRow("centrado: 1001,5 es 1002") << qint64(PosicionCentrada(1501.5, 500, 0)) << "501";
}

void PruebaFormatoSQL::cantidad() {
    QFETCH(qint64, cantidad);
    QTEST(TextoCantidad(cantidad), "esperado");
}

PRUEBAS_MAIN(PruebaFormatoSQL, QCoreApplication)
#include "tst_formatosql.moc"
