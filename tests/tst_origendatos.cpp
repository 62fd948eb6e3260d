// The listing's data source when it is broken: the database file gone, the
// driver not installed. A process of its own, because unixODBC keeps what it
// read of the settings file while the process lives.
#include "platform/gui/ControlReporte.h"
#include "tests/comun/Entorno.h"
#include "tests/comun/ListadoPrueba.h"

#include <QFile>
#include <QTest>

namespace {
void Preparar(ControlReporte& rpt, const CarpetaPrueba& carpeta) {
    rpt.SetConnect(QStringLiteral("DSN=Cobranzia"));
    rpt.SetReportFileName(carpeta.Archivo(QStringLiteral("Cobranzia.rpt")));
    rpt.SetFormulas(0, QStringLiteral("Archivo = 'a.txt'"));
    rpt.SetDestination(ControlReporte::DestinoArchivo);
    rpt.SetPrintFileName(carpeta.Archivo(QStringLiteral("listado.pdf")));
    rpt.SetSelectionFormula(QStringLiteral("{dao.t_archivo} = 'a.txt'"));
}
} // namespace

class PruebaOrigenDatos : public QObject {
    Q_OBJECT
private slots:
    // In this order: unixODBC takes in a rewrite of its settings only when it
    // has not just read them.
    void controladorInexistente();
    void baseInexistente();
};

// The driver must neither make an empty database nor list from one.
void PruebaOrigenDatos::baseInexistente() {
    CarpetaPrueba carpeta;
    QTest::qWait(1100);
    RegistrarOrigen();
    QFile::remove(carpeta.Base());
    ControlReporte rpt(nullptr);
    Preparar(rpt, carpeta);
    rpt.PrintReport();
    QCOMPARE(rpt.LastErrorNumber(), int16_t(20520));
    QVERIFY2(rpt.LastErrorString().startsWith(
                 QStringLiteral("No se pudo abrir el origen de datos «DSN=Cobranzia»: ")),
             qPrintable(rpt.LastErrorString()));
    QVERIFY(!QFile::exists(carpeta.Base()));
    QVERIFY(!QFile::exists(carpeta.Archivo(QStringLiteral("listado.pdf"))));
}

void PruebaOrigenDatos::controladorInexistente() {
    CarpetaPrueba carpeta;
    QFile ini(ArchivoOdbcIni());
    QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ini.write("[Cobranzia]\nDriver=ControladorQueNoExiste\nDatabase=" + carpeta.Base().toUtf8() +
              "\n");
    ini.close();
    ControlReporte rpt(nullptr);
    Preparar(rpt, carpeta);
    rpt.PrintReport();
    QCOMPARE(rpt.LastErrorNumber(), int16_t(20520));
    QVERIFY2(rpt.LastErrorString().contains(QStringLiteral("[unixODBC]")),
             qPrintable(rpt.LastErrorString()));
}

QTEST_MAIN(PruebaOrigenDatos)
#include "tst_origendatos.moc"
