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

// A control set as the listing sets it, writing to a PDF in the folder.
struct Control {
    explicit Control(const CarpetaPrueba& c, const QString& archivo = kArchivo)
        : pdf(c.Archivo("listado.pdf"))
        , plantilla(c.Archivo("Cobranzia.rpt")) {
        Ajustar(archivo);
    }
    void Ajustar(const QString& archivo) {
        rpt.SetConnect("DSN=Cobranzia");
        rpt.SetReportFileName(plantilla);
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
    QString pdf;
    QString plantilla;
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
    void listado_data();
    void listado();
    void errores_data();
    void errores();
    void reemplazadasAlContar();
};

void PruebaReporte::listado_data() {
    QTest::addColumn<QString>("archivo");
    QTest::addColumn<bool>("largas");
    QTest::addColumn<bool>("huecos");
    QTest::newRow("cortas y contiguas") << kArchivo << false << false;
    QTest::newRow("largas") << kArchivo << true << false;
    QTest::newRow("huecos") << kArchivo << false << true;
    QTest::newRow("largas y huecos") << kArchivo << true << true;
    for (const auto& [nombre, archivo] : {std::pair{"apóstrofo", "O'Brien's.txt"},
                                          {"llaves", "{dao.t_archivo}.txt"},
                                          {"comodín", "%"},
                                          {"inyección", "x' OR '1'='1"},
                                          {"comentario", "x'; DROP TABLE Datos; --"}})
        QTest::newRow(nombre) << QString::fromUtf8(archivo) << false << false;
}

// The listing of 150 rows over pages, with its heading; rows that wrap or
// rowids with gaps take other paths, and the listing is the same. Rows of
// other files with look-alike names never reach it.
void PruebaReporte::listado() {
    QFETCH(QString, archivo);
    QFETCH(bool, largas);
    QFETCH(bool, huecos);
    QStringList propias;
    for (int i = 0; i < 150; ++i) {
        propias << QStringLiteral("P%1").arg(i, 3, 10, QLatin1Char('0')) +
                       QString(largas && i % 7 == 0 ? 400 + i : 20, QLatin1Char('a' + i % 26));
        if (huecos) {
            GuardarFilas(carpeta.Base(), archivo, {propias.last()});
            GuardarFilas(carpeta.Base(), "otro.txt", Filas("AJENA", 1 + i % 3));
        }
    }
    if (!huecos) {
        GuardarFilas(carpeta.Base(), archivo, propias);
        GuardarFilas(carpeta.Base(), "otro.txt", Filas("AJENA", 50));
    }
    GuardarFilas(carpeta.Base(), "x", Filas("AJENA", 5));
    GuardarFilas(carpeta.Base(), "100%", Filas("AJENA", 5));
    Control c(carpeta, archivo);
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
    const QString texto = LineasPdf(c.pdf).join(u'\n');
    QVERIFY(!texto.contains("AJENA"));
    for (const QString& esperado :
         QStringList{"Archivo: " + archivo, "Código de control: " + kHash, "Filas listadas: 150"})
        QVERIFY2(texto.contains(esperado), qPrintable(esperado));
    const qsizetype paginas = texto.count("Página ");
    QVERIFY(paginas >= 3);
    QVERIFY(texto.contains(QStringLiteral("Página 1 de %1").arg(paginas)));
    QVERIFY(texto.contains(QStringLiteral("Página %1 de %1").arg(paginas)));
}

void PruebaReporte::errores_data() {
    QTest::addColumn<QString>("caso"); // the template, or what stands in the way; empty: none
    QTest::addColumn<QString>("seleccion");
    QTest::addColumn<QString>("formula");
    QTest::addColumn<QString>("conexion");
    QTest::addColumn<QString>("pdf");
    QTest::addColumn<int>("numero");
    QTest::addColumn<QString>("texto");
    const QString sel = "{dao.t_archivo} = 'a.txt'";
    const QString form = "Archivo = 'a.txt'";
    const QString dsn = "DSN=Cobranzia";
    const auto fila = [](const char* nombre, const QString& caso, int numero, const QString& texto,
                         const QString& seleccion = "{dao.t_archivo} = 'a.txt'",
                         const QString& formula = "Archivo = 'a.txt'",
                         const QString& conexion = "DSN=Cobranzia", const QString& pdf = "<pdf>") {
        QTest::newRow(nombre) << caso << seleccion << formula << conexion << pdf << numero << texto;
    };
    fila("sin plantilla", "-", 20507, "No se encontró el archivo de reporte");
    fila("plantilla es tubería", "|", 20507, "no es un archivo");
    fila("plantilla de 2 MiB", "+", 20510, "más de 1 MiB");
    fila("vacía", "vacia.rpt", 20510, "el archivo está vacío");
    fila("no es JSON", "texto.rpt", 20510, "no es JSON válido");
    fila("tabla desconocida", "tabla_desconocida.rpt", 20525, "La tabla «Cobros»");
    fila("campo desconocido", "campo_desconocido.rpt", 20526, "«dao.t_importe»");
    fila("campo de selección", "", 20526, "«dao.t_fecha»", "{dao.t_fecha} = 'x'");
    fila("selección ilegible", "", 20515, "No se puede leer la fórmula",
         "{dao.t_archivo} = 'x' OR 1=1");
    fila("fórmula ilegible", "", 20515, "falta el apóstrofo", sel, "Archivo = 'sin cierre");
    fila("fórmula no declarada", "", 20515, "«Total» no existe", sel, "Total = '1'");
    fila("campo de 1 MiB y uno", "*", 20530, "1.048.577 caracteres, más de los 1.048.576");
    fila("origen inexistente", "", 20520, "No se pudo abrir el origen de datos", sel, form,
         "DSN=NoExiste");
    // A writer holds the database: the listing fails with a reason instead of waiting.
    fila("base bloqueada", "bloqueada", 20530, "locked");
    fila("carpeta inexistente", "", 20540,
         "No se pudo escribir el archivo «/no/existe/listado.pdf»", sel, form, dsn,
         "/no/existe/listado.pdf");
    fila("sin archivo", "", 20540, "No se indicó el archivo PDF", sel, form, dsn, "");
}

// Every failure with its number and reason, and no PDF; the next good call of
// the same control clears it, never leaving a stale failure.
void PruebaReporte::errores() {
    QFETCH(QString, caso);
    QFETCH(QString, seleccion);
    QFETCH(QString, formula);
    QFETCH(QString, conexion);
    QFETCH(QString, pdf);
    QFETCH(int, numero);
    QFETCH(QString, texto);
    GuardarFilas(carpeta.Base(), "a.txt", {"fila"});
    Control c(carpeta);
    const QString otra = carpeta.Archivo("otra.rpt");
    QFile::remove(otra);
    sqlite3* escritor = nullptr;
    if (caso == u"*")
        GuardarFilas(carpeta.Base(), "a.txt", {QString((1 << 20) + 1, u'x')});
    else if (caso == u"-")
        QFile::remove(c.plantilla);
    else if (caso == u"|")
        QCOMPARE(mkfifo(QFile::encodeName(otra).constData(), 0600), 0);
    else if (caso == u"+")
        carpeta.Escribir("otra.rpt", "{" + QByteArray(2 << 20, ' ') + "}");
    else if (caso == u"bloqueada")
        QVERIFY(sqlite3_open(carpeta.Base().toUtf8().constData(), &escritor) == SQLITE_OK &&
                sqlite3_exec(escritor, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) == SQLITE_OK);
    else if (!caso.isEmpty())
        c.rpt.SetReportFileName(DatoPrueba(caso));
    if (caso == u"|" || caso == u"+")
        c.rpt.SetReportFileName(otra);
    c.rpt.SetSelectionFormula(seleccion);
    c.rpt.SetFormulas(0, formula);
    c.rpt.SetConnect(conexion);
    c.rpt.SetPrintFileName(pdf == u"<pdf>" ? c.pdf : pdf);
    const int fallo = c.Imprimir();
    if (escritor) {
        sqlite3_exec(escritor, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(escritor);
    }
    QCOMPARE(fallo, numero);
    QVERIFY2(c.rpt.LastErrorString().contains(texto), qPrintable(c.rpt.LastErrorString()));
    QVERIFY(!QFile::exists(c.pdf));
    Preparar();
    c.Ajustar(kArchivo);
    QCOMPARE(c.Imprimir(), 0);
    QVERIFY(c.rpt.LastErrorString().isEmpty());
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
    QCOMPARE(ErrorDe([&] { datos.Resumir(80); }).Numero(), 20535);
}

PRUEBAS_MAIN(PruebaReporte, QApplication)
#include "tst_reporte.moc"
