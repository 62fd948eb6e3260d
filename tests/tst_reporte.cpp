// The report engine through its control: templates, data sources, formulas and
// the listing written as PDF and read back as text.
#include "dsn/CrearDSNListado.h"
#include "platform/base/LiteralSQL.h"
#include "platform/proceso/ErrorEjecucion.h"
#include "platform/reporte/ControlReporte.h"
#include "platform/reporte/DatosReporte.h"
#include "tests/comun/Entorno.h"

#include <QFile>
#include <QTest>

#include <sys/stat.h>

#include <sqlite3.h>

namespace {
const QString kArchivo = "COB20260101.txt";
const QString kHash = "0123456789ABCDEF0123456789ABCDEF";

QString TextoPdf(const QString& pdf) {
    return LineasPdf(pdf).join(u'\n');
}

// A control set as the listing sets it, writing to a PDF in the folder.
struct Control {
    explicit Control(const CarpetaPrueba& c, const QString& archivo = kArchivo)
        : carpeta(c)
        , pdf(c.Archivo("listado.pdf")) {
        rpt.SetConnect("DSN=Cobranzia");
        rpt.SetReportFileName(c.Archivo("Cobranzia.rpt"));
        rpt.SetFormulas(0, QStringLiteral("Archivo = ") + CitarLiteral(archivo));
        rpt.SetFormulas(1, QStringLiteral("Hash = ") + CitarLiteral(kHash));
        rpt.SetDestination(ControlReporte::DestinoArchivo);
        rpt.SetPrintFileName(pdf);
        rpt.SetSelectionFormula(QStringLiteral("{dao.t_archivo} = ") + CitarLiteral(archivo));
    }
    int Imprimir() {
        rpt.PrintReport();
        return rpt.LastErrorNumber();
    }
    const CarpetaPrueba& carpeta;
    QString pdf;
    ControlReporte rpt;
};

QStringList Filas(const QString& prefijo, int n) {
    QStringList filas;
    for (int i = 1; i <= n; ++i)
        filas << QStringLiteral("%1%2 REGISTRO DE COBRO %3")
                     .arg(prefijo)
                     .arg(i, 6, 10, QLatin1Char('0'))
                     .arg(i * 7);
    return filas;
}

// The detail lines of a listing's PDF, in order: those that start with the prefix.
QStringList Detalle(const QString& pdf, const QString& prefijo) {
    QStringList detalle;
    for (const QString& linea : LineasPdf(pdf))
        if (linea.startsWith(prefijo))
            detalle << linea;
    return detalle;
}
} // namespace

class PruebaReporte : public QObject {
    Q_OBJECT
    CarpetaPrueba carpeta;
    // The rows of a test; the data source "Cobranzia" points at this folder.
    void Preparar() {
        ConsultarBase(carpeta.Base(), "DELETE FROM Datos");
        QFile::remove(carpeta.Archivo("listado.pdf"));
        QFile::copy(CarpetaProgramaConstruida() + QStringLiteral("/Cobranzia.rpt"),
                    carpeta.Archivo("Cobranzia.rpt"));
    }
private slots:
    void initTestCase() {
        QString motivo;
        QVERIFY2(CrearDSNListado(carpeta.Ruta(), motivo), qPrintable(motivo));
    }
    void init() { Preparar(); }
    void soloLasFilasDelArchivo_data();
    void soloLasFilasDelArchivo();
    void filasLargasYHuecos_data();
    void filasLargasYHuecos();
    void errores_data();
    void errores();
    void reemplazadasAlContar();
    void baseBloqueada();
    void destinos_data();
    void destinos();
};

void PruebaReporte::soloLasFilasDelArchivo_data() {
    QTest::addColumn<QString>("archivo");
    QTest::newRow("apóstrofo") << "O'Brien's.txt";
    QTest::newRow("llaves") << "{dao.t_archivo}.txt";
    QTest::newRow("comodín") << "%";
    QTest::newRow("inyección") << "x' OR '1'='1";
    QTest::newRow("comentario") << "x'; DROP TABLE Datos; --";
}

// Rows of other files with look-alike names never reach the listing.
void PruebaReporte::soloLasFilasDelArchivo() {
    QFETCH(QString, archivo);
    GuardarFilas(carpeta.Base(), "otro.txt", Filas("AJENA", 5));
    GuardarFilas(carpeta.Base(), archivo, Filas("PROPIA", 7));
    GuardarFilas(carpeta.Base(), "x", Filas("AJENA", 5));
    GuardarFilas(carpeta.Base(), "100%", Filas("AJENA", 5));
    Control c(carpeta, archivo);
    QCOMPARE(c.Imprimir(), 0);
    QCOMPARE(Detalle(c.pdf, "PROPIA"), Filas("PROPIA", 7));
    QVERIFY(Detalle(c.pdf, "AJENA").isEmpty());
    QVERIFY(TextoPdf(c.pdf).contains("Filas listadas: 7"));
}

void PruebaReporte::filasLargasYHuecos_data() {
    QTest::addColumn<bool>("largas");
    QTest::addColumn<bool>("huecos");
    QTest::newRow("cortas y contiguas") << false << false;
    QTest::newRow("largas") << true << false;
    QTest::newRow("huecos") << false << true;
    QTest::newRow("largas y huecos") << true << true;
}

// The listing of 150 rows over pages, with its heading; rows that wrap or
// rowids with gaps take other paths, and the listing is the same.
void PruebaReporte::filasLargasYHuecos() {
    QFETCH(bool, largas);
    QFETCH(bool, huecos);
    QStringList propias;
    for (int i = 0; i < 150; ++i) {
        propias << QStringLiteral("P%1").arg(i, 3, 10, QLatin1Char('0')) +
                       QString(largas && i % 7 == 0 ? 400 + i : 20, QLatin1Char('a' + i % 26));
        if (huecos) {
            GuardarFilas(carpeta.Base(), kArchivo, {propias.last()});
            GuardarFilas(carpeta.Base(), "otro.txt", Filas("AJENA", 1 + i % 3));
        }
    }
    if (!huecos) {
        GuardarFilas(carpeta.Base(), kArchivo, propias);
        GuardarFilas(carpeta.Base(), "otro.txt", Filas("AJENA", 50));
    }
    Control c(carpeta);
    QCOMPARE(c.Imprimir(), 0);
    // Wrapped pieces follow their row's start: joined back they give the rows.
    QStringList leidas;
    for (const QString& linea : LineasPdf(c.pdf)) {
        if (linea.startsWith(QLatin1Char('P')) && linea.size() > 1 && linea[1].isDigit())
            leidas << linea;
        else if (!leidas.isEmpty() && linea.size() > 0 && linea.count(linea[0]) == linea.size() &&
                 linea[0].isLower())
            leidas.last() += linea;
    }
    QCOMPARE(leidas, propias);
    QVERIFY(Detalle(c.pdf, "AJENA").isEmpty());
    const QString texto = TextoPdf(c.pdf);
    for (const QString& esperado :
         QStringList{"Archivo: " + kArchivo, "Código de control: " + kHash, "Filas listadas: 150"})
        QVERIFY2(texto.contains(esperado), qPrintable(esperado));
    const qsizetype paginas = texto.count("Página ");
    QVERIFY(paginas >= 3);
    QVERIFY(texto.contains(QStringLiteral("Página 1 de %1").arg(paginas)));
    QVERIFY(texto.contains(QStringLiteral("Página %1 de %1").arg(paginas)));
}

void PruebaReporte::errores_data() {
    QTest::addColumn<QString>("plantilla"); // empty: the shipped one
    QTest::addColumn<QString>("seleccion");
    QTest::addColumn<QString>("formula");
    QTest::addColumn<QString>("conexion");
    QTest::addColumn<int>("numero");
    QTest::addColumn<QString>("texto");

    const QString sel = "{dao.t_archivo} = 'a.txt'";
    const QString form = "Archivo = 'a.txt'";
    const QString dsn = "DSN=Cobranzia";
    QTest::newRow("sin plantilla")
        << "-" << sel << form << dsn << 20507 << "No se encontró el archivo de reporte";
    QTest::newRow("plantilla es tubería")
        << "|" << sel << form << dsn << 20507 << "no es un archivo";
    QTest::newRow("plantilla de 2 MiB") << "+" << sel << form << dsn << 20510 << "más de 1 MiB";
    QTest::newRow("vacía") << QString() + QStringLiteral("vacia.rpt") << sel << form << dsn << 20510
                           << "el archivo está vacío";
    QTest::newRow("no es JSON") << "texto.rpt" << sel << form << dsn << 20510
                                << "no es JSON válido";
    QTest::newRow("tabla desconocida")
        << "tabla_desconocida.rpt" << sel << form << dsn << 20525 << "La tabla «Cobros»";
    QTest::newRow("campo desconocido")
        << "campo_desconocido.rpt" << sel << form << dsn << 20526 << "«dao.t_importe»";
    QTest::newRow("campo de selección")
        << QString() << "{dao.t_fecha} = 'x'" << form << dsn << 20526 << "«dao.t_fecha»";
    QTest::newRow("selección ilegible") << QString() << "{dao.t_archivo} = 'x' OR 1=1" << form
                                        << dsn << 20515 << "No se puede leer la fórmula";
    QTest::newRow("fórmula ilegible")
        << QString() << sel << "Archivo = 'sin cierre" << dsn << 20515 << "falta el apóstrofo";
    QTest::newRow("fórmula no declarada")
        << QString() << sel << "Total = '1'" << dsn << 20515 << "«Total» no existe";
    QTest::newRow("campo de 1 MiB y uno")
        << "*" << sel << form << dsn << 20530 << "1.048.577 caracteres, más de los 1.048.576";
    QTest::newRow("origen inexistente") << QString() << sel << form << "DSN=NoExiste" << 20520
                                        << "No se pudo abrir el origen de datos";
}

void PruebaReporte::errores() {
    QFETCH(QString, plantilla);
    QFETCH(QString, seleccion);
    QFETCH(QString, formula);
    QFETCH(QString, conexion);
    QFETCH(int, numero);
    QFETCH(QString, texto);
    GuardarFilas(carpeta.Base(), "a.txt", {"fila"});
    Control c(carpeta);
    if (plantilla == u"*")
        GuardarFilas(carpeta.Base(), "a.txt", {QString((1 << 20) + 1, u'x')});
    else if (plantilla == QLatin1String("-"))
        QFile::remove(carpeta.Archivo("Cobranzia.rpt"));
    else if (plantilla == u"|" || plantilla == u"+") {
        const QString ruta = carpeta.Archivo("otra.rpt");
        QFile::remove(ruta);
        if (plantilla == u"|")
            QCOMPARE(mkfifo(QFile::encodeName(ruta).constData(), 0600), 0);
        else
            carpeta.Escribir("otra.rpt", "{" + QByteArray(2 << 20, ' ') + "}");
        c.rpt.SetReportFileName(ruta);
    } else if (!plantilla.isEmpty())
        c.rpt.SetReportFileName(QStringLiteral(COBRANZIA_DATOS_PRUEBA "/") + plantilla);
    c.rpt.SetSelectionFormula(seleccion);
    c.rpt.SetFormulas(0, formula);
    c.rpt.SetConnect(conexion);
    QCOMPARE(c.Imprimir(), numero);
    QVERIFY2(c.rpt.LastErrorString().contains(texto), qPrintable(c.rpt.LastErrorString()));
    QVERIFY(!QFile::exists(c.pdf));
}

// A later run that replaces the rows after the guard was checked: the count
// says so rather than list none.
void PruebaReporte::reemplazadasAlContar() {
    GuardarFilas(carpeta.Base(), kArchivo, {"fila"});
    ConsultarBase(carpeta.Base(), "INSERT INTO Corridas (t_archivo, corrida) VALUES ($1, 'r1')",
                  {kArchivo});
    DatosReporte datos("DSN=Cobranzia", {"dao", "Datos", "t_datos", true, "t_archivo", kArchivo,
                                         "Corridas", "t_archivo", "corrida", "r1"});
    ConsultarBase(carpeta.Base(), "UPDATE Corridas SET corrida = 'r2'");
    ConsultarBase(carpeta.Base(), "DELETE FROM Datos");
    try {
        datos.Resumir(80);
        QFAIL("el recuento debió fallar");
    } catch (const ErrorEjecucion& e) {
        QCOMPARE(e.Numero(), 20535);
    }
}

// A writer holds the database: the listing fails with a reason instead of waiting.
void PruebaReporte::baseBloqueada() {
    GuardarFilas(carpeta.Base(), kArchivo, {"fila"});
    sqlite3* escritor = nullptr;
    QCOMPARE(sqlite3_open(carpeta.Base().toUtf8().constData(), &escritor), SQLITE_OK);
    QCOMPARE(sqlite3_exec(escritor, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    Control c(carpeta);
    const int numero = c.Imprimir();
    sqlite3_exec(escritor, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(escritor);
    QCOMPARE(numero, 20530);
    QVERIFY2(c.rpt.LastErrorString().contains("locked"), qPrintable(c.rpt.LastErrorString()));
    QCOMPARE(c.Imprimir(), 0);
}

void PruebaReporte::destinos_data() {
    QTest::addColumn<int>("destino");
    QTest::addColumn<QString>("pdf");
    QTest::addColumn<int>("numero");
    QTest::addColumn<QString>("texto");
    QTest::newRow("carpeta inexistente")
        << 2 << "/no/existe/listado.pdf" << 20540
        << "No se pudo escribir el archivo «/no/existe/listado.pdf»";
    QTest::newRow("sin archivo") << 2 << "" << 20540 << "No se indicó el archivo PDF";
}

void PruebaReporte::destinos() {
    QFETCH(int, destino);
    QFETCH(QString, pdf);
    QFETCH(int, numero);
    QFETCH(QString, texto);
    Control c(carpeta);
    c.rpt.SetDestination(destino);
    c.rpt.SetPrintFileName(pdf);
    QCOMPARE(c.Imprimir(), numero);
    QVERIFY2(c.rpt.LastErrorString().startsWith(texto), qPrintable(c.rpt.LastErrorString()));
    // A failure is never followed by a stale success: the next good call clears it.
    c.rpt.SetDestination(ControlReporte::DestinoArchivo);
    c.rpt.SetPrintFileName(c.pdf);
    QCOMPARE(c.Imprimir(), 0);
    QVERIFY(c.rpt.LastErrorString().isEmpty());
}

PRUEBAS_MAIN(PruebaReporte, QApplication)
#include "tst_reporte.moc"
