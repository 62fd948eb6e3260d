// Page arithmetic of the listing: page count, rowid ranges, page starts when
// rows wrap or rowids have gaps, and the splitting of long rows.
#include "platform/reporte/Paginacion.h"
#include "platform/reporte/Reporte.h"

#include <QTest>

class PruebaPaginacion : public QObject {
    Q_OBJECT
private slots:
    void totalPaginas_data();
    void totalPaginas();
    void rangos();
    void porRango_data();
    void porRango();
    void iniciosConFilasLargas();
    void iniciosCoincidenConRangos();
    void tramosComoFilas();
    void partirFila_data();
    void partirFila();
};

void PruebaPaginacion::totalPaginas_data() {
    QTest::addColumn<qint64>("lineas");
    QTest::addColumn<int>("porPagina");
    QTest::addColumn<qint64>("paginas");
    // The closing line takes one more line after the rows.
    QTest::newRow("sin filas") << qint64(0) << 10 << qint64(1);
    QTest::newRow("una") << qint64(1) << 10 << qint64(1);
    QTest::newRow("cabe el cierre") << qint64(9) << 10 << qint64(1);
    QTest::newRow("el cierre pasa de página") << qint64(10) << 10 << qint64(2);
    QTest::newRow("once") << qint64(11) << 10 << qint64(2);
    QTest::newRow("un millón") << qint64(1000000) << 48 << qint64(20834);
    QTest::newRow("una línea por página") << qint64(3) << 1 << qint64(4);
}

void PruebaPaginacion::totalPaginas() {
    QFETCH(qint64, lineas);
    QFETCH(int, porPagina);
    QFETCH(qint64, paginas);
    ResumenDatos r;
    r.filas = r.lineas = lineas;
    r.primerId = 1;
    r.ultimoId = lineas;
    const Paginacion p(r, porPagina, 80);
    QCOMPARE(p.TotalPaginas(), paginas);
    qint64 detalle = 0;
    for (qint64 k = 0; k < paginas; ++k) {
        detalle += p.LineasDetalle(k);
        QCOMPARE(p.TieneCierre(k), k == paginas - 1);
        QVERIFY(p.LineasDetalle(k) + (p.TieneCierre(k) ? 1 : 0) <= porPagina);
    }
    QCOMPARE(detalle, lineas);
}

void PruebaPaginacion::rangos() {
    ResumenDatos r{25, 101, 125, 80, 25};
    const Paginacion p(r, 10, 80);
    QVERIFY(p.PorRango());
    QCOMPARE(p.TotalPaginas(), 3);
    QCOMPARE(p.RangoIds(0).desde, 101);
    QCOMPARE(p.RangoIds(0).hasta, 110);
    QCOMPARE(p.RangoIds(2).desde, 121);
    QCOMPARE(p.RangoIds(2).hasta, 125);
    QVERIFY(p.RangoIds(3).hasta < p.RangoIds(3).desde);
}

void PruebaPaginacion::porRango_data() {
    QTest::addColumn<qint64>("filas");
    QTest::addColumn<qint64>("primero");
    QTest::addColumn<qint64>("ultimo");
    QTest::addColumn<qint64>("maxima");
    QTest::addColumn<bool>("porRango");
    QTest::newRow("contiguas y cortas")
        << qint64(10) << qint64(5) << qint64(14) << qint64(80) << true;
    QTest::newRow("una larga") << qint64(10) << qint64(5) << qint64(14) << qint64(81) << false;
    QTest::newRow("con huecos") << qint64(10) << qint64(5) << qint64(15) << qint64(10) << false;
    QTest::newRow("ninguna") << qint64(0) << qint64(0) << qint64(0) << qint64(0) << true;
}

void PruebaPaginacion::porRango() {
    QFETCH(qint64, filas);
    QFETCH(qint64, primero);
    QFETCH(qint64, ultimo);
    QFETCH(qint64, maxima);
    QFETCH(bool, porRango);
    const Paginacion p({filas, primero, ultimo, maxima, filas}, 10, 80);
    QCOMPARE(p.PorRango(), porRango);
}

// Rows of 1, 25 and 3 lines (10 characters a line), 10 lines a page.
void PruebaPaginacion::iniciosConFilasLargas() {
    Paginacion p({3, 1, 9, 250, 29}, 10, 10);
    p.AgregarFila(1, 5);
    p.AgregarFila(4, 250);
    p.AgregarFila(9, 21);
    QCOMPARE(p.TotalPaginas(), 3);
    QCOMPARE(p.Inicio(0).id, 1);
    QCOMPARE(p.Inicio(0).saltar, 0);
    QCOMPARE(p.Inicio(1).id, 4);
    QCOMPARE(p.Inicio(1).saltar, 9);
    QCOMPARE(p.Inicio(2).id, 4);
    QCOMPARE(p.Inicio(2).saltar, 19);
    QVERIFY(!p.InicioConocido(3));
}

// Where both ways apply they must agree.
void PruebaPaginacion::iniciosCoincidenConRangos() {
    const ResumenDatos r{95, 7, 101, 40, 95};
    Paginacion p(r, 12, 80);
    for (qint64 id = 7; id <= 101; ++id)
        p.AgregarFila(id, 40);
    for (qint64 k = 0; k < p.TotalPaginas(); ++k) {
        if (p.LineasDetalle(k) == 0)
            continue;
        QCOMPARE(p.Inicio(k).id, p.RangoIds(k).desde);
        QCOMPARE(p.Inicio(k).saltar, 0);
    }
}

// Fed only the rows in which a page starts (as the database answers), the
// starts are those of the full pass over every row.
void PruebaPaginacion::tramosComoFilas() {
    const QList<qint64> largos{5, 250, 21, 0, 9, 10, 11, 95, 3, 3, 3, 3, 3, 3, 3, 3, 120, 7};
    qint64 total = 0;
    for (qint64 largo : largos)
        total += Paginacion::LineasDeFila(largo, 10);
    const ResumenDatos r{largos.size(), 1, 2 * largos.size(), 250, total};
    Paginacion todas(r, 7, 10);
    Paginacion tramos(r, 7, 10);
    qint64 antes = 0;
    for (qsizetype i = 0; i < largos.size(); ++i) {
        const qint64 id = 2 * i + 1;
        const qint64 lineas = Paginacion::LineasDeFila(largos[i], 10);
        todas.AgregarFila(id, largos[i]);
        if ((antes + 6) / 7 * 7 < antes + lineas)
            tramos.AgregarTramo(id, antes, lineas);
        antes += lineas;
    }
    QVERIFY(!todas.PorRango());
    for (qint64 k = 0; k < todas.TotalPaginas(); ++k) {
        QCOMPARE(tramos.InicioConocido(k), todas.InicioConocido(k));
        QCOMPARE(tramos.Inicio(k).id, todas.Inicio(k).id);
        QCOMPARE(tramos.Inicio(k).saltar, todas.Inicio(k).saltar);
    }
}

void PruebaPaginacion::partirFila_data() {
    QTest::addColumn<QString>("texto");
    QTest::addColumn<int>("caracteres");
    QTest::addColumn<QStringList>("partes");
    QTest::newRow("vacía") << "" << 4 << QStringList{""};
    QTest::newRow("corta") << "abc" << 4 << QStringList{"abc"};
    QTest::newRow("justa") << "abcd" << 4 << QStringList{"abcd"};
    QTest::newRow("larga") << "abcdefghij" << 4 << QStringList{"abcd", "efgh", "ij"};
    QTest::newRow("espacios") << "ab  cd  " << 4 << QStringList{"ab  ", "cd  "};
    // A character outside the basic plane counts once, as the database counts it.
    QTest::newRow("fuera del plano básico")
        << QString::fromUtf8("a\xF0\x9F\x98\x80"
                             "bcd")
        << 2 << QStringList{QString::fromUtf8("a\xF0\x9F\x98\x80"), "bc", "d"};
}

void PruebaPaginacion::partirFila() {
    QFETCH(QString, texto);
    QFETCH(int, caracteres);
    QFETCH(QStringList, partes);
    QCOMPARE(Reporte::PartirFila(texto, caracteres), partes);
    QCOMPARE(partes.size(), Paginacion::LineasDeFila(texto.toUcs4().size(), caracteres));
}

QTEST_APPLESS_MAIN(PruebaPaginacion)
#include "tst_paginacion.moc"
