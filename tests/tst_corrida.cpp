// The control-code run: the code and the stored rows for every kind of line,
// the exact statements, and every failure leaving the earlier rows untouched.

#include "app/modGral.h"
#include "platform/Conexion.h"
#include "platform/ErrorEjecucion.h"
#include "platform/SistemaArchivos.h"
#include "run/CorridaControl.h"
#include "tests/comun/Entorno.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTest>

#include <sqlite3.h>

namespace {

// The chain computed straight from the file's bytes, with Qt's own MD5: lines
// end at LF or CR LF, spaces are trimmed, each digest is upper-case hex.
QString CodigoEsperado(const QByteArray& contenido) {
    QList<QByteArray> lineas = contenido.split('\n');
    if (!contenido.isEmpty() && contenido.endsWith('\n'))
        lineas.removeLast();
    if (contenido.isEmpty())
        lineas.clear();
    QByteArray codigo;
    for (QByteArray linea : lineas) {
        if (linea.endsWith('\r'))
            linea.chop(1);
        while (linea.startsWith(' '))
            linea.remove(0, 1);
        while (linea.endsWith(' '))
            linea.chop(1);
        codigo =
            QCryptographicHash::hash(linea + codigo, QCryptographicHash::Md5).toHex().toUpper();
    }
    return QString::fromLatin1(codigo);
}

class BaseAbierta {
public:
    explicit BaseAbierta(const CarpetaPrueba& carpeta) {
        conexion.SetConnectionString(CadenaConexion(carpeta.Ruta()));
        conexion.Open();
    }
    Conexion conexion;
    SistemaArchivos sistema;
};

} // namespace

class PruebaCorrida : public QObject {
    Q_OBJECT
private slots:
    void codigoYFilas_data();
    void codigoYFilas();
    void ordenDeLasLineasCuenta();
    void sentenciasExactas();
    void nombreConEspaciosIniciales();
    void mismoNombreEnDosCarpetas();
    void mismoArchivoDosVeces();
    void fallosNoTocanLaBase_data();
    void fallosNoTocanLaBase();
    void mensajeDelError();
};

void PruebaCorrida::codigoYFilas_data() {
    QTest::addColumn<QByteArray>("contenido");
    QTest::addColumn<QStringList>("filas");
    QTest::addColumn<QString>("codigo");

    QTest::newRow("ejemplo") << QByteArray("abc\r\nabc\r\n") << QStringList{"abc", "abc"}
                             << "D39E57FCC1F55502816F4277CA2DC773";
    QTest::newRow("vacío") << QByteArray() << QStringList() << "";
    QTest::newRow("primera línea vacía")
        << QByteArray("\r\n") << QStringList{"<null>"} << "D41D8CD98F00B204E9800998ECF8427E";
    QTest::newRow("solo T y H") << QByteArray("H20261201\r\nT000000\r\n") << QStringList()
                                << QString();
    QTest::newRow("espacios antes de T")
        << QByteArray("   T001\r\nD1\r\n") << QStringList{"D1"} << QString();
    QTest::newRow("t y h minúsculas")
        << QByteArray("t1\nh2\n") << QStringList{"t1", "h2"} << QString();
    QTest::newRow("apóstrofos") << QByteArray("O'Brien ''\n") << QStringList{"O'Brien ''"}
                                << QString();
    QTest::newRow("espacios finales")
        << QByteArray("abc   \n") << QStringList{"abc"} << "900150983CD24FB0D6963F7D28E17F72";
    QTest::newRow("solo espacios")
        << QByteArray("    \nD\n") << QStringList{"<null>", "D"} << QString();
    QTest::newRow("tabuladores") << QByteArray("\tabc\t\n") << QStringList{"\tabc\t"} << QString();
    QTest::newRow("sin fin de línea")
        << QByteArray("H\r\nD1\r\nD2") << QStringList{"D1", "D2"} << QString();
    QTest::newRow("solo LF") << QByteArray("H\nD1\nT\n") << QStringList{"D1"} << QString();
    QTest::newRow("CR suelto") << QByteArray("a\rb\r\n") << QStringList{"a\rb"} << QString();
    QTest::newRow("línea final vacía")
        << QByteArray("D1\r\n\r\n") << QStringList{"D1", "<null>"} << QString();
    QTest::newRow("Windows-1252") << QByteArray("NU\xD1"
                                                "EZ \x80\x81\x8D\x8F\x90\x9D\xFF\n")
                                  << QStringList{QStringLiteral(
                                         "NUÑEZ €\u0081\u008D\u008F\u0090\u009Dÿ")}
                                  << QString();
    QTest::newRow("barra invertida")
        << QByteArray("C:\\x\\y; --\n") << QStringList{"C:\\x\\y; --"} << QString();
}

void PruebaCorrida::codigoYFilas() {
    QFETCH(QByteArray, contenido);
    QFETCH(QStringList, filas);
    QFETCH(QString, codigo);
    CarpetaPrueba carpeta;
    const QString ruta = carpeta.Escribir(QStringLiteral("lote01.txt"), contenido);
    BaseAbierta base(carpeta);
    const ResultadoCorrida r = EjecutarCorrida(base.conexion, base.sistema, ruta);
    QCOMPARE(r.strArchivo, QStringLiteral("lote01.txt"));
    QCOMPARE(r.strHash, CodigoEsperado(contenido));
    if (!codigo.isNull())
        QCOMPARE(r.strHash, codigo);
    QCOMPARE(FilasGuardadas(carpeta.Base(), QStringLiteral("lote01.txt")), filas);
    QCOMPARE(r.filas, filas.size());
    QCOMPARE(CalcularCodigoControl(base.sistema, ruta), r.strHash);
}

void PruebaCorrida::ordenDeLasLineasCuenta() {
    CarpetaPrueba carpeta;
    SistemaArchivos sistema;
    const QString a = carpeta.Escribir(QStringLiteral("a.txt"), "D1\r\nD2\r\n");
    const QString b = carpeta.Escribir(QStringLiteral("b.txt"), "D2\r\nD1\r\n");
    QVERIFY(CalcularCodigoControl(sistema, a) != CalcularCodigoControl(sistema, b));
}

void PruebaCorrida::sentenciasExactas() {
    QCOMPARE(SentenciaBorrado(QStringLiteral("lote01.txt")),
             QStringLiteral(" DELETE FROM Datos  WHERE t_archivo = 'lote01.txt'"));
    QCOMPARE(
        SentenciaInsercion(QStringLiteral("D001"), QStringLiteral("lote01.txt")),
        QStringLiteral(" INSERT INTO Datos (t_datos, t_archivo)  VALUES ('D001', 'lote01.txt') "));

    CarpetaPrueba carpeta;
    const QString ruta = carpeta.Escribir(QStringLiteral("O'Hara.txt"), "H1\r\nD'1\r\n\r\nT1\r\n");
    BaseAbierta base(carpeta);
    QStringList enviadas;
    Conexion::EstablecerTraza([&](const QString& sql) { enviadas << sql; });
    EjecutarCorrida(base.conexion, base.sistema, ruta);
    Conexion::EstablecerTraza({});
    QCOMPARE(enviadas,
             (QStringList{
                 " DELETE FROM Datos  WHERE t_archivo = 'O''Hara.txt'",
                 " INSERT INTO Datos (t_datos, t_archivo)  VALUES ('D''1', 'O''Hara.txt') ",
                 " INSERT INTO Datos (t_datos, t_archivo)  VALUES (Null, 'O''Hara.txt') ",
             }));
}

void PruebaCorrida::nombreConEspaciosIniciales() {
    CarpetaPrueba carpeta;
    const QString ruta = carpeta.Escribir(QStringLiteral("  lote.txt "), "D1\n");
    BaseAbierta base(carpeta);
    const ResultadoCorrida r = EjecutarCorrida(base.conexion, base.sistema, ruta);
    QCOMPARE(r.strArchivo, QStringLiteral("  lote.txt "));
    QCOMPARE(FilasGuardadas(carpeta.Base(), QStringLiteral("lote.txt")), QStringList{"D1"});
}

void PruebaCorrida::mismoNombreEnDosCarpetas() {
    CarpetaPrueba carpeta;
    QVERIFY(QDir(carpeta.Ruta()).mkpath(QStringLiteral("uno")));
    QVERIFY(QDir(carpeta.Ruta()).mkpath(QStringLiteral("dos")));
    const QString primero = carpeta.Escribir(QStringLiteral("uno/lote.txt"), "A1\nA2\nA3\n");
    const QString segundo = carpeta.Escribir(QStringLiteral("dos/lote.txt"), "B1\n");
    const QString otro = carpeta.Escribir(QStringLiteral("otro.txt"), "O1\n");
    BaseAbierta base(carpeta);
    EjecutarCorrida(base.conexion, base.sistema, otro);
    EjecutarCorrida(base.conexion, base.sistema, primero);
    EjecutarCorrida(base.conexion, base.sistema, segundo);
    QCOMPARE(FilasGuardadas(carpeta.Base(), QStringLiteral("lote.txt")), QStringList{"B1"});
    QCOMPARE(FilasGuardadas(carpeta.Base(), QStringLiteral("otro.txt")), QStringList{"O1"});
}

void PruebaCorrida::mismoArchivoDosVeces() {
    CarpetaPrueba carpeta;
    const QString ruta = carpeta.Escribir(QStringLiteral("lote.txt"), "H\nD1\nD2\nT\n");
    BaseAbierta base(carpeta);
    const QString primero = EjecutarCorrida(base.conexion, base.sistema, ruta).strHash;
    const QString segundo = EjecutarCorrida(base.conexion, base.sistema, ruta).strHash;
    QCOMPARE(segundo, primero);
    QCOMPARE(FilasGuardadas(carpeta.Base(), QStringLiteral("lote.txt")), (QStringList{"D1", "D2"}));
}

void PruebaCorrida::fallosNoTocanLaBase_data() {
    QTest::addColumn<QString>("caso");
    QTest::addColumn<int>("numero");
    QTest::addColumn<QString>("motivo");
    QTest::newRow("archivo borrado")
        << "borrado" << int(Errores::ArchivoNoEncontrado) << "No se encontró el archivo";
    QTest::newRow("carpeta") << "carpeta" << int(Errores::AccesoRuta) << "no es un archivo";
    QTest::newRow("bytes nulos") << "nulos" << int(ErrorLineaConNulo) << "bytes nulos";
    QTest::newRow("línea de 100 MB")
        << "enorme" << int(ErrorLineaDemasiadoLarga) << "supera el máximo";
    QTest::newRow("base bloqueada") << "bloqueada" << int(Errores::BaseDatos) << "bloqueada";
    QTest::newRow("base de solo lectura")
        << "solo lectura" << int(Errores::BaseDatos) << "solo lectura";
    QTest::newRow("sin biblioteca md5") << "sin md5" << int(Errores::ErrorCargaDll) << "libmd5.so";
}

void PruebaCorrida::fallosNoTocanLaBase() {
    QFETCH(QString, caso);
    QFETCH(int, numero);
    QFETCH(QString, motivo);
    CarpetaPrueba carpeta;
    QString ruta = carpeta.Escribir(QStringLiteral("lote.txt"), "D-nuevo-1\nD-nuevo-2\n");
    BaseAbierta base(carpeta);
    // Rows stored by an earlier run; the md5 library is not loaded yet.
    base.conexion.Execute(
        SentenciaInsercion(QStringLiteral("D-viejo-1"), QStringLiteral("lote.txt")));
    base.conexion.Execute(
        SentenciaInsercion(QStringLiteral("D-viejo-2"), QStringLiteral("lote.txt")));
    const QStringList antes{"D-viejo-1", "D-viejo-2"};
    QCOMPARE(FilasGuardadas(carpeta.Base(), QStringLiteral("lote.txt")), antes);

    sqlite3* otro = nullptr;
    if (caso == QStringLiteral("borrado")) {
        QVERIFY(QFile::remove(ruta));
    } else if (caso == QStringLiteral("carpeta")) {
        QVERIFY(QFile::remove(ruta));
        QVERIFY(QDir().mkdir(ruta));
    } else if (caso == QStringLiteral("nulos")) {
        carpeta.Escribir(QStringLiteral("lote.txt"), QByteArray("D1\nD\0 2\n", 8));
    } else if (caso == QStringLiteral("enorme")) {
        carpeta.Escribir(QStringLiteral("lote.txt"),
                         "D1\n" + QByteArray(100 * 1024 * 1024, 'x') + "\n");
    } else if (caso == QStringLiteral("bloqueada")) {
        sqlite3_open(QFile::encodeName(carpeta.Base()).constData(), &otro);
        QCOMPARE(sqlite3_exec(otro, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
        base.conexion.EstablecerEsperaOcupada(100);
    } else if (caso == QStringLiteral("solo lectura")) {
        base.conexion.Execute(QStringLiteral("PRAGMA query_only = 1"));
    } else if (caso == QStringLiteral("sin md5")) {
        QVERIFY(QFile::remove(carpeta.Archivo(QStringLiteral("libmd5.so"))));
    }

    try {
        EjecutarCorrida(base.conexion, base.sistema, ruta);
        QFAIL("la corrida debió fallar");
    } catch (const ErrorEjecucion& e) {
        QCOMPARE(e.Numero(), numero);
        QVERIFY2(e.Descripcion().contains(motivo), qPrintable(e.Descripcion()));
    }
    if (otro) {
        sqlite3_exec(otro, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(otro);
    }
    QVERIFY(!base.conexion.EnTransaccion());
    QCOMPARE(FilasGuardadas(carpeta.Base(), QStringLiteral("lote.txt")), antes);
}

void PruebaCorrida::mensajeDelError() {
    QCOMPARE(MensajeErrorCorrida(53, QStringLiteral("No se encontró el archivo")),
             QStringLiteral(
                 "Error 53 (No se encontró el archivo) in procedure cmdAceptar_Click of Formulario "
                 "frmPrincipal"));
    QCOMPARE(MensajeErrorCorrida(-2147467259, QStringLiteral("x")),
             QStringLiteral(
                 "Error -2147467259 (x) in procedure cmdAceptar_Click of Formulario frmPrincipal"));
}

QTEST_GUILESS_MAIN(PruebaCorrida)
#include "tst_corrida.moc"
