// The formula reader: selection formulas and formula fields as the listing
// writes them, and what must be refused.
#include "platform/ErrorEjecucion.h"
#include "platform/reporte/LectorFormulas.h"

#include <QTest>

class PruebaFormulas : public QObject {
    Q_OBJECT
private slots:
    void seleccion_data();
    void seleccion();
    void seleccionIlegible_data();
    void seleccionIlegible();
    void formula_data();
    void formula();
    void formulaIlegible_data();
    void formulaIlegible();
    void literalIdaYVuelta_data();
    void literalIdaYVuelta();
};

void PruebaFormulas::seleccion_data() {
    QTest::addColumn<QString>("texto");
    QTest::addColumn<bool>("vacia");
    QTest::addColumn<QString>("tabla");
    QTest::addColumn<QString>("campo");
    QTest::addColumn<QString>("valor");
    QTest::newRow("simple") << "{dao.t_archivo} = 'COB.txt'" << false << "dao"
                            << "t_archivo"
                            << "COB.txt";
    QTest::newRow("sin espacios") << "{dao.t_archivo}='a'" << false << "dao"
                                  << "t_archivo"
                                  << "a";
    QTest::newRow("espacios de sobra") << "  { dao . t_archivo }  =  'a'  " << false << "dao"
                                       << "t_archivo"
                                       << "a";
    QTest::newRow("apóstrofo doblado") << "{dao.t_archivo} = 'O''Brien.txt'" << false << "dao"
                                       << "t_archivo"
                                       << "O'Brien.txt";
    QTest::newRow("sólo apóstrofos") << "{dao.t_archivo} = ''''''" << false << "dao"
                                     << "t_archivo"
                                     << "''";
    QTest::newRow("valor vacío") << "{dao.t_archivo} = ''" << false << "dao"
                                 << "t_archivo"
                                 << "";
    QTest::newRow("espacios dentro") << "{dao.t_archivo} = '  a b  '" << false << "dao"
                                     << "t_archivo"
                                     << "  a b  ";
    QTest::newRow("llaves y corchetes") << "{dao.t_archivo} = '{x}[y]%_*'" << false << "dao"
                                        << "t_archivo"
                                        << "{x}[y]%_*";
    QTest::newRow("inyección doblada") << "{dao.t_archivo} = 'x'' OR ''1''=''1'" << false << "dao"
                                       << "t_archivo"
                                       << "x' OR '1'='1";
    QTest::newRow("punto y coma") << "{dao.t_archivo} = 'a''; DROP TABLE Datos; --'" << false
                                  << "dao"
                                  << "t_archivo"
                                  << "a'; DROP TABLE Datos; --";
    QTest::newRow("vacía") << "" << true << ""
                           << ""
                           << "";
    QTest::newRow("en blanco") << "   " << true << ""
                               << ""
                               << "";
}

void PruebaFormulas::seleccion() {
    QFETCH(QString, texto);
    QFETCH(bool, vacia);
    QFETCH(QString, tabla);
    QFETCH(QString, campo);
    QFETCH(QString, valor);
    const Seleccion s = LeerSeleccion(texto);
    QCOMPARE(s.vacia, vacia);
    QCOMPARE(s.tabla, tabla);
    QCOMPARE(s.campo, campo);
    QCOMPARE(s.valor, valor);
}

void PruebaFormulas::seleccionIlegible_data() {
    QTest::addColumn<QString>("texto");
    QTest::addColumn<QString>("motivo");
    QTest::newRow("apóstrofo sin doblar") << "{dao.t_archivo} = 'O'Brien.txt'"
                                          << "sobra";
    QTest::newRow("inyección OR") << "{dao.t_archivo} = 'x' OR '1'='1'"
                                  << "sobra";
    QTest::newRow("inyección comentario") << "{dao.t_archivo} = 'x'; DROP TABLE Datos; --"
                                          << "sobra";
    QTest::newRow("sin cierre") << "{dao.t_archivo} = 'abc"
                                << "falta el apóstrofo";
    QTest::newRow("sin llaves") << "dao.t_archivo = 'a'"
                                << "se esperaba «{»";
    QTest::newRow("sin punto") << "{t_archivo} = 'a'"
                               << "se esperaba «.»";
    QTest::newRow("sin igual") << "{dao.t_archivo} 'a'"
                               << "se esperaba «=»";
    QTest::newRow("otro operador") << "{dao.t_archivo} <> 'a'"
                                   << "se esperaba «=»";
    QTest::newRow("número") << "{dao.t_archivo} = 5"
                            << "se esperaba «'»";
    QTest::newRow("comillas dobles") << "{dao.t_archivo} = \"a\""
                                     << "se esperaba «'»";
    QTest::newRow("nombre vacío") << "{.t_archivo} = 'a'"
                                  << "falta un nombre válido";
    QTest::newRow("nombre con comilla") << "{dao.\"t\"} = 'a'"
                                        << "falta un nombre válido";
    QTest::newRow("nombre con dígito") << "{1dao.t} = 'a'"
                                       << "falta un nombre válido";
}

void PruebaFormulas::seleccionIlegible() {
    QFETCH(QString, texto);
    QFETCH(QString, motivo);
    try {
        LeerSeleccion(texto);
        QFAIL("se leyó una selección ilegible");
    } catch (const ErrorEjecucion& e) {
        QCOMPARE(e.Numero(), 20515);
        QVERIFY2(
            e.Descripcion().startsWith(QStringLiteral("No se puede leer la fórmula «") + texto),
            qPrintable(e.Descripcion()));
        QVERIFY2(e.Descripcion().contains(motivo), qPrintable(e.Descripcion()));
    }
}

void PruebaFormulas::formula_data() {
    QTest::addColumn<QString>("texto");
    QTest::addColumn<QString>("nombre");
    QTest::addColumn<QString>("valor");
    QTest::newRow("archivo") << "Archivo = 'COB.txt'"
                             << "Archivo"
                             << "COB.txt";
    QTest::newRow("hash") << "Hash = '0123456789ABCDEF0123456789ABCDEF'"
                          << "Hash"
                          << "0123456789ABCDEF0123456789ABCDEF";
    QTest::newRow("código vacío") << "Hash = ''"
                                  << "Hash"
                                  << "";
    QTest::newRow("apóstrofos") << "Archivo = 'l''été d''O''Neil'"
                                << "Archivo"
                                << "l'été d'O'Neil";
    QTest::newRow("espacios") << "Archivo=' a '"
                              << "Archivo"
                              << " a ";
}

void PruebaFormulas::formula() {
    QFETCH(QString, texto);
    QFETCH(QString, nombre);
    QFETCH(QString, valor);
    const Formula f = LeerFormula(texto);
    QCOMPARE(f.nombre, nombre);
    QCOMPARE(f.valor, valor);
}

void PruebaFormulas::formulaIlegible_data() {
    QTest::addColumn<QString>("texto");
    QTest::newRow("vacía") << "";
    QTest::newRow("sin valor") << "Archivo =";
    QTest::newRow("sin nombre") << "= 'a'";
    QTest::newRow("apóstrofo suelto") << "Archivo = 'O'Brien'";
    QTest::newRow("sin cierre") << "Archivo = 'a";
    QTest::newRow("expresión") << "Archivo = 'a' + 'b'";
    QTest::newRow("campo") << "Archivo = {dao.t_archivo}";
}

void PruebaFormulas::formulaIlegible() {
    QFETCH(QString, texto);
    try {
        LeerFormula(texto);
        QFAIL("se leyó una fórmula ilegible");
    } catch (const ErrorEjecucion& e) {
        QCOMPARE(e.Numero(), 20515);
        QVERIFY(e.Descripcion().startsWith(QStringLiteral("No se puede leer la fórmula")));
    }
}

void PruebaFormulas::literalIdaYVuelta_data() {
    QTest::addColumn<QString>("valor");
    QTest::newRow("llano") << "COB20260101.txt";
    QTest::newRow("apóstrofos") << "'a''b'''";
    QTest::newRow("llaves") << "{dao.t_archivo} = 'x'";
    QTest::newRow("vacío") << "";
}

// What LiteralFormula writes reads back as the same value, in both formulas.
void PruebaFormulas::literalIdaYVuelta() {
    QFETCH(QString, valor);
    QCOMPARE(LeerFormula(QStringLiteral("Archivo = ") + LiteralFormula(valor)).valor, valor);
    QCOMPARE(LeerSeleccion(QStringLiteral("{dao.t_archivo} = ") + LiteralFormula(valor)).valor,
             valor);
}

QTEST_APPLESS_MAIN(PruebaFormulas)
#include "tst_formulas.moc"
