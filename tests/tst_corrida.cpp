// The control-code run on a real database: the code and the stored rows for
// every kind of line, and every failure leaving the earlier rows untouched and
// the connection ready for the next run.

#include "platform/archivos/SistemaArchivos.h"
#include "platform/proceso/ErrorEjecucion.h"
#include "run/CorridaControl.h"
#include "run/Historial.h"
#include "run/Programa.h"
#include "tests/comun/Entorno.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <utility>

#include <sqlite3.h>

namespace {
const QString kLote = "lote.txt";
}

class PruebaCorrida : public QObject {
    Q_OBJECT
private slots:
    void codigoYFilas_data();
    void codigoYFilas();
    void nombres();
    void fallos_data();
    void fallos();
    void archivoQueCambia_data();
    void archivoQueCambia();
    void historial_data();
    void historial();
    void historialAlterado_data();
    void historialAlterado();
};

// The codes are the worked example and the chain computed with md5sum over
// each file's bytes, outside the program.
void PruebaCorrida::codigoYFilas_data() {
    QTest::addColumn<QByteArray>("contenido");
    QTest::addColumn<QStringList>("filas");
    QTest::addColumn<QString>("codigo");

    const struct {
        const char* nombre;
        QByteArray contenido;
        QStringList filas;
        const char* codigo;
    } tabla[] = {
        {"ejemplo", "abc\r\nabc\r\n", {"abc", "abc"}, "D39E57FCC1F55502816F4277CA2DC773"},
        {"vacío", "", {}, ""},
        {"primera línea vacía", "\r\n", {"<null>"}, "D41D8CD98F00B204E9800998ECF8427E"},
        {"solo T y H", "H20261201\r\nT000000\r\n", {}, "9BE10A7AFA8B5698F96A75648CD703F8"},
        {"espacios antes de T", "   T001\r\nD1\r\n", {"D1"}, "5562C1EEAE27E8A66AC2FA8872D32B3A"},
        {"t y h minúsculas", "t1\nh2\n", {"t1", "h2"}, "3235E779B85057FC1597821B85DE2B8A"},
        {"apóstrofos", "O'Brien ''\n", {"O'Brien ''"}, "30B08FB09A8ACBD7475FE2DC95AB48FA"},
        {"espacios finales", "abc   \n", {"abc"}, "900150983CD24FB0D6963F7D28E17F72"},
        {"solo espacios", "    \nD\n", {"<null>", "D"}, "8E69F7895E72A0FAA841F4FF4A59C602"},
        {"tabuladores", "\tabc\t\n", {"\tabc\t"}, "E4F8F59AB2F2F5F6DF319AC47F15437E"},
        {"sin fin de línea", "H\r\nD1\r\nD2", {"D1", "D2"}, "75702EF4890176B84C85B7E34EC9E12D"},
        {"CR suelto", "a\rb\r\n", {"a\rb"}, "2132B3BDA00D60E52785208164BFF1C8"},
        {"CR sueltos en CR LF",
         "D001 a\rb\rc\rd\r\nD002\r\n",
         {"D001 a\rb\rc\rd", "D002"},
         "2C10D146685F19451073475973F573EF"},
        {"dos CR antes del LF", "D1\r\r\n", {"D1\r"}, "3349B03A0C384A5D0F30846EB48FF89B"},
        {"UTF-8 cortado al final",
         "D\xC3\xB1\r\nD\xC3",
         {"DÃ±", "DÃ"},
         "B8AFBDCB8EAED47CD1404A0EDD4A0D67"},
        {"Windows-1252",
         "NU\xD1"
         "EZ \x80\x81\x8D\x8F\x90\x9D\xFF\n",
         {QStringLiteral("NUÑEZ €\u0081\u008D\u008F\u0090\u009Dÿ")},
         "358CC277400D23E1423061C030522FF3"},
        {"UTF-8",
         "NU\xC3\x91"
         "EZ 100\r\nH2\r\n",
         {"NUÑEZ 100"},
         "0F752D6D61196205D708604223AE28CE"},
        // The mark is in the code's bytes, never in the first line's text.
        {"BOM y ASCII", "\xEF\xBB\xBFH1\r\nD1\r\n", {"D1"}, "819ECFEEE113067040DF6C5E2414A12F"},
        {"BOM y Windows-1252",
         "\xEF\xBB\xBFH1\r\nD\xD1\r\n",
         {"DÑ"},
         "95AC1FEC9046DCABBEE6382AC3F2AAC5"},
        {"U+FEFF tras la marca",
         "\xEF\xBB\xBF\xEF\xBB\xBFZ1\n",
         {QStringLiteral("\uFEFFZ1")},
         "83EFF4CC025417EDB0FD9FAA002551A8"},
        {"línea de 1 MiB",
         QByteArray(1 << 20, 'x') + "\r\n",
         {QString(1 << 20, u'x')},
         "B561F87202D04959E37588EE05CF5B10"},
        {"última línea de 1 MiB sin fin",
         QByteArray(1 << 20, 'x'),
         {QString(1 << 20, u'x')},
         "B561F87202D04959E37588EE05CF5B10"},
        {"no todo UTF-8",
         "D1\r\nD\xD1\r\nD\xC3\xB1\r\n",
         {"D1", "DÑ", "DÃ±"},
         "745A3955DDBE9B85677940E0E114EEAF"},
        {"SQL en la línea", "C:\\x\\y; --\n", {"C:\\x\\y; --"}, "BCE16244B3E25414F3FAF7F5320C9963"},
    };
    for (const auto& [nombre, contenido, filas, codigo] : tabla)
        QTest::newRow(nombre) << contenido << filas << QString::fromLatin1(codigo);
    // Thousands of lines, which reach the chain in several batches.
    QByteArray largo("H000\r\n");
    QStringList filasLargo;
    for (int i = 0; i < 3000; ++i) {
        filasLargo << QStringLiteral("D%1").arg(i, 6, 10, QLatin1Char('0'));
        largo += filasLargo.constLast().toLatin1() + "\r\n";
    }
    QTest::newRow("3.000 líneas") << largo + "T003000\r\n"
                                  << filasLargo << "BA2B5B50C07722DD64A18209BDD0EE70";
}

void PruebaCorrida::codigoYFilas() {
    QFETCH(QByteArray, contenido);
    QFETCH(QStringList, filas);
    QFETCH(QString, codigo);
    CarpetaPrueba carpeta;
    const QString ruta = carpeta.Escribir(kLote, contenido);
    const auto programa = carpeta.NuevoPrograma();
    const ResultadoCorrida r = EjecutarCorrida(*programa, ruta);
    QCOMPARE(r.strArchivo, kLote);
    QCOMPARE(r.strHash, codigo);
    QCOMPARE(r.filas, filas.size());
    QCOMPARE(FilasGuardadas(carpeta.Base(), kLote), filas);
    QCOMPARE(CalcularCodigoControl(*programa, ruta), codigo);
}

// The name is the last component, trimmed in the rows but not for the
// listing; a later run of the same name, from any folder, replaces the rows.
void PruebaCorrida::nombres() {
    CarpetaPrueba carpeta;
    QVERIFY(QDir(carpeta.Ruta()).mkpath("uno"));
    const auto programa = carpeta.NuevoPrograma();
    const QString primero = carpeta.Escribir("uno/ O'Neil.txt ", "A1\nA2\n");
    const QString segundo = carpeta.Escribir(" O'Neil.txt ", "B1\n");
    const QString otro = carpeta.Escribir("otro.txt", "O1\n");
    EjecutarCorrida(*programa, otro);
    QCOMPARE(EjecutarCorrida(*programa, primero).strArchivo, " O'Neil.txt ");
    QCOMPARE(FilasGuardadas(carpeta.Base(), "O'Neil.txt"), (QStringList{"A1", "A2"}));
    const QString codigo = EjecutarCorrida(*programa, segundo).strHash;
    QCOMPARE(EjecutarCorrida(*programa, segundo).strHash, codigo);
    QCOMPARE(FilasGuardadas(carpeta.Base(), "O'Neil.txt"), QStringList{"B1"});
    QCOMPARE(FilasGuardadas(carpeta.Base(), "otro.txt"), QStringList{"O1"});
}

void PruebaCorrida::fallos_data() {
    QTest::addColumn<QString>("caso");
    QTest::addColumn<int>("numero");
    QTest::addColumn<QString>("motivo");
    QTest::newRow("archivo borrado")
        << "borrado" << int(Errores::ArchivoNoEncontrado) << "No se encontró el archivo";
    QTest::newRow("carpeta") << "carpeta" << int(Errores::AccesoRuta) << "no es un archivo";
    QTest::newRow("bytes nulos") << "nulos" << int(ErrorLineaConNulo) << "bytes nulos";
    QTest::newRow("línea de 1 MiB y un byte")
        << "enorme" << int(ErrorLineaDemasiadoLarga) << "supera el máximo";
    const QString cr = "terminan solo en CR";
    QTest::newRow("fines CR en 2 MB") << "CR largo" << int(ErrorFinesDeLineaCR) << cr;
    QTest::newRow("dos marcas y un CR")
        << "\u00EF\u00BB\u00BF\u00EF\u00BB\u00BF*02\r#0inewkey " << int(ErrorFinesDeLineaCR) << cr;
    QTest::newRow("COMMIT que falla") << "commit" << int(Errores::BaseDatos) << "bloqueada";
    QTest::newRow("base bloqueada") << "bloqueada" << int(Errores::BaseDatos) << "bloqueada";
    QTest::newRow("base de solo lectura")
        << "solo lectura" << int(Errores::BaseDatos) << "solo lectura";
    QTest::newRow("sin biblioteca md5") << "sin md5" << int(Errores::ErrorCargaDll) << "libmd5.so";
}

void PruebaCorrida::fallos() {
    QFETCH(QString, caso);
    QFETCH(int, numero);
    QFETCH(QString, motivo);
    CarpetaPrueba carpeta;
    const QByteArray nuevo("D-nuevo-1\nD-nuevo-2\n");
    const QString ruta = carpeta.Escribir(kLote, nuevo);
    const auto programa = carpeta.NuevoPrograma();
    const QStringList antes{"D-viejo-1", "D-viejo-2"};
    GuardarFilas(carpeta.Base(), kLote, antes);
    const QString biblioteca = carpeta.Archivo("libmd5.so");

    sqlite3* otro = nullptr;
    if (caso == u"borrado") {
        QVERIFY(QFile::remove(ruta));
    } else if (caso == u"carpeta") {
        QVERIFY(QFile::remove(ruta) && QDir().mkdir(ruta));
    } else if (caso == u"nulos") {
        carpeta.Escribir(kLote, QByteArray("D1\nD\0 2\n", 8));
    } else if (caso == u"enorme") {
        carpeta.Escribir(kLote, "D1\n" + QByteArray((1 << 20) + 1, 'x') + "\n");
    } else if (caso == u"CR largo") {
        carpeta.Escribir(kLote, QByteArray("D1\r").repeated(700000));
    } else if (caso.contains(u'\r')) {
        carpeta.Escribir(kLote, caso.toLatin1());
    } else if (EnServidor() &&
               (caso == u"bloqueada" || caso == u"solo lectura" || caso == u"commit")) {
        QSKIP("propio de la base de datos incrustada");
    } else if (caso == u"bloqueada" || caso == u"commit") {
        // A reader's lock lets the run write, but not commit.
        sqlite3_open(QFile::encodeName(carpeta.Base()).constData(), &otro);
        const char* toma =
            caso == u"commit" ? "BEGIN; SELECT count(*) FROM Datos" : "BEGIN IMMEDIATE";
        QCOMPARE(sqlite3_exec(otro, toma, nullptr, nullptr, nullptr), SQLITE_OK);
        programa->gConexion()->EstablecerEsperaOcupada(100);
    } else if (caso == u"solo lectura") {
        programa->gConexion()->Execute("PRAGMA query_only = 1");
    } else if (caso == u"sin md5") {
        QVERIFY(QFile::rename(biblioteca, biblioteca + QStringLiteral(".fuera")));
    }

    const ErrorEjecucion e = ErrorDe([&] { EjecutarCorrida(*programa, ruta); });
    QCOMPARE(e.Numero(), numero);
    QVERIFY2(e.Descripcion().contains(motivo), qPrintable(e.Descripcion()));
    QCOMPARE(FilasGuardadas(carpeta.Base(), kLote), antes);

    // Mended, the same file runs again on the same connection.
    if (otro) {
        sqlite3_exec(otro, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(otro);
    }
    if (!EnServidor())
        programa->gConexion()->Execute("PRAGMA query_only = 0");
    QFile::rename(biblioteca + QStringLiteral(".fuera"), biblioteca);
    QDir().rmdir(ruta);
    carpeta.Escribir(kLote, nuevo);
    QCOMPARE(EjecutarCorrida(*programa, ruta).filas, 2);
    QCOMPARE(FilasGuardadas(carpeta.Base(), kLote), (QStringList{"D-nuevo-1", "D-nuevo-2"}));
}

void PruebaCorrida::archivoQueCambia_data() {
    QTest::addColumn<QString>("cambio");
    QTest::addColumn<int>("numero");
    for (const char* cambio : {"agregado", "truncado", "reemplazado"})
        QTest::newRow(cambio) << cambio << int(ErrorArchivoCambiado);
    QTest::newRow("cancelada al borrar") << "cancelada" << int(ErrorCorridaCancelada);
}

// A file written to while the run reads it is refused, whatever part of it
// the run saw; a run cancelled while it still deletes the rows of a large
// earlier run, before any line is read, stops there. Either way every earlier
// row stands, and the next run replaces them.
void PruebaCorrida::archivoQueCambia() {
    QFETCH(QString, cambio);
    QFETCH(int, numero);
    CarpetaPrueba carpeta;
    const QByteArray contenido = Lote(300000, 'D');
    const QString ruta = carpeta.Escribir(kLote, contenido);
    const auto programa = carpeta.NuevoPrograma();
    ConsultarBase(carpeta.Base(),
                  QStringLiteral("INSERT INTO Datos (t_datos, t_archivo) WITH RECURSIVE n(i) AS "
                                 "(SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300000) "
                                 "SELECT 'VIEJA', 'lote.txt' FROM n"));
    // A report of no line read comes while the earlier rows are deleted (on a
    // server, also while the run waits for it); the first of lines read, once
    // the run has stored rows.
    bool cambiado = false;
    const auto cambiar = [&](const ProgresoCorrida& p) {
        if (cambio == u"cancelada") {
            cambiado = cambiado || p.lineas == 0;
            return p.lineas > 0;
        }
        if (p.lineas == 0 || std::exchange(cambiado, true))
            return true;
        if (cambio == u"agregado") {
            QFile f(ruta);
            return f.open(QIODevice::Append) && f.write("D-nueva\r\n") > 0;
        }
        if (cambio == u"truncado")
            return QFile::resize(ruta, contenido.size() / 2);
        carpeta.Escribir("otro", contenido);
        return QFile::remove(ruta) && QFile::rename(carpeta.Archivo("otro"), ruta);
    };
    QCOMPARE(ErrorDe([&] { EjecutarCorrida(*programa, ruta, cambiar); }).Numero(), numero);
    QVERIFY(cambiado);
    const QString viejas = "SELECT count(*) FROM Datos WHERE t_datos = 'VIEJA'";
    QCOMPARE(ConsultarBase(carpeta.Base(), viejas), QStringList{"300000"});
    QCOMPARE(EjecutarCorrida(*programa, carpeta.Escribir(kLote, "D1\n")).filas, 1);
    QCOMPARE(ConsultarBase(carpeta.Base(), viejas), QStringList{"0"});
}

void PruebaCorrida::historial_data() {
    QTest::addColumn<QString>("caso");
    QTest::addColumn<QString>("resultado");
    QTest::addColumn<int>("numero");
    QTest::addColumn<int>("lineas");
    const auto fila = [](const char* nombre, const char* caso, const char* resultado, int numero,
                         int lineas) {
        QTest::newRow(nombre) << QString::fromUtf8(caso) << resultado << numero << lineas;
    };
    fila("completada", "", "completada", 0, 5002);
    fila("archivo borrado", "borrado", "fallida", Errores::ArchivoNoEncontrado, 0);
    // How far the read got before the digests' thread failed: any line count.
    fila("sin biblioteca md5", "sin md5", "fallida", Errores::ErrorCargaDll, -1);
    fila("cancelada", "cancelada", "cancelada", ErrorCorridaCancelada, 4096);
}

// Every attempt leaves its row, and a completed run after it; the chain whole.
void PruebaCorrida::historial() {
    QFETCH(QString, caso);
    QFETCH(QString, resultado);
    QFETCH(int, numero);
    QFETCH(int, lineas);
    CarpetaPrueba carpeta;
    const QString ruta = carpeta.Escribir(kLote, Lote(5000, 'D'));
    const QString sha256 = Ejecutar("sha256sum", {ruta}).salida.left(64);
    const QString tamano = QString::number(QFileInfo(ruta).size());
    const QString biblioteca = carpeta.Archivo("libmd5.so");
    const auto programa = carpeta.NuevoPrograma();
    if (caso == u"borrado")
        QVERIFY(QFile::rename(ruta, ruta + QStringLiteral(".fuera")));
    if (caso == u"sin md5")
        QVERIFY(QFile::rename(biblioteca, biblioteca + QStringLiteral(".fuera")));
    // Given a path relative to the working folder, the history keeps it whole.
    const QString trabajo = QDir::currentPath();
    QDir::setCurrent(carpeta.Ruta());
    const auto avance = [&](const ProgresoCorrida& p) {
        return caso != u"cancelada" || !p.lineas;
    };
    QCOMPARE(ErrorDe([&] { EjecutarCorrida(*programa, kLote, avance); }).Numero(), numero);
    QDir::setCurrent(trabajo);
    QFile::rename(ruta + QStringLiteral(".fuera"), ruta);
    QFile::rename(biblioteca + QStringLiteral(".fuera"), biblioteca);
    EjecutarCorrida(*programa, ruta);
    const bool completada = resultado == Historial::Completada;
    const QStringList esperada{
        resultado,
        QString::number(numero),
        QString::number(lineas),
        completada ? "5000" : "0",
        completada ? CalcularCodigoControl(*programa, ruta) : QString(),
        completada ? sha256 : QString(),
        caso == u"borrado" ? "0" : tamano,
        Ejecutar("id", {"-un"}).salida.trimmed(),
        kLote,
        QFileInfo(ruta).absoluteFilePath(),
        EnServidor() ? qEnvironmentVariable("PRUEBA_SERVIDOR_DIR") + "/socket:5432" : QString()};
    QStringList fila =
        ConsultarBase(carpeta.Base(),
                      "SELECT resultado || '|' || error_numero || '|' || lineas || '|' || "
                      "filas || '|' || codigo || '|' || sha256 || '|' || tamano || '|' || "
                      "usuario || '|' || archivo || '|' || ruta || '|' || servidor FROM Historial "
                      "ORDER BY id")
            .value(0)
            .split(u'|');
    if (lineas < 0)
        fila[2] = QString::number(lineas);
    QCOMPARE(fila, esperada);
    const Historial::Comprobacion comprobacion = Historial::Comprobar(*programa->gConexion());
    QCOMPARE(comprobacion.filas, 2);
    QCOMPARE(comprobacion.Rota(), QString());
}

void PruebaCorrida::historialAlterado_data() {
    QTest::addColumn<QString>("sql");
    QTest::addColumn<int>("rota"); // of the rows after the change, the first broken one
    const QString donde = " WHERE id = <2>";
    QTest::newRow("intacta") << "SELECT 1 WHERE 1 = 0" << -1;
    QTest::newRow("inicio") << "UPDATE Historial SET inicio = '2000-01-01T00:00:00.000Z'" + donde
                            << 1;
    QTest::newRow("código") << "UPDATE Historial SET codigo = lower(codigo) WHERE id = <1>" << 0;
    QTest::newRow("error") << "UPDATE Historial SET error_descripcion = 'x'" + donde << 1;
    QTest::newRow("fila borrada") << "DELETE FROM Historial" + donde << 1;
    QTest::newRow("primera fila borrada") << "DELETE FROM Historial WHERE id = <1>" << 0;
    QTest::newRow("fila agregada a mano")
        << "INSERT INTO Historial (<campos>, cadena) SELECT <campos>, 'inventada' FROM "
           "Historial WHERE id = <1>"
        << 3;
    // The number the engine would give the next run, taken by hand.
    QTest::newRow("número siguiente tomado a mano")
        << "INSERT INTO Historial (id, <campos>, cadena) <propio> SELECT id + 1, <campos>, cadena "
           "FROM Historial WHERE id = <3>"
        << 3;
    QTest::newRow("el mayor número tomado a mano")
        << "INSERT INTO Historial (id, <campos>, cadena) <propio> SELECT 9223372036854775807, "
           "<campos>, cadena FROM Historial WHERE id = <3>"
        << 4;
}

// A history written by a script of its own from the README's formula, with a
// non-ASCII name and a failed run, is intact for the program and takes its
// next run; a row changed, removed or added outside the program breaks the
// chain there, and stops no later run.
void PruebaCorrida::historialAlterado() {
    QFETCH(QString, sql);
    QFETCH(int, rota);
    CarpetaPrueba carpeta;
    const QString ruta = carpeta.Escribir(kLote, "D1\n");
    const auto programa = carpeta.NuevoPrograma();
    const QString guion = QStringLiteral(COBRANZIA_FUENTES "/tests/cadena_historial.py");
    for (const QString& insercion :
         Ejecutar("python3", {guion}).salida.split(u'\n', Qt::SkipEmptyParts))
        QCOMPARE(ConsultarBase(carpeta.Base(), insercion), QStringList());
    const QString ids = "SELECT id FROM Historial ORDER BY id";
    const QStringList antes = ConsultarBase(carpeta.Base(), ids);
    QCOMPARE(antes.size(), 3);
    const QStringList campos = Historial::Columnas().mid(Historial::Inicio, Historial::Cadena - 1);
    QCOMPARE(ConsultarBase(carpeta.Base(),
                           sql.replace("<1>", antes[0])
                               .replace("<2>", antes[1])
                               .replace("<3>", antes[2])
                               .replace("<campos>", campos.join(u','))
                               .replace("<propio>", EnServidor() ? "OVERRIDING SYSTEM VALUE" : "")),
             QStringList());
    EjecutarCorrida(*programa, ruta);
    const QString esperada = ConsultarBase(carpeta.Base(), ids).value(rota);
    QCOMPARE(Historial::Comprobar(*programa->gConexion()).Rota(), esperada);
    if (EnServidor())
        return;
    carpeta.CopiarEjecutable();
    const Salida s = carpeta.Correr({"--historial", "--comprobar"});
    QCOMPARE(s.estado, rota < 0 ? 0 : 1);
    QVERIFY2(s.salida.contains(rota < 0 ? QStringLiteral("intacta: 4 corridas.")
                                        : QStringLiteral("en la corrida %1 (").arg(esperada)),
             qPrintable(s.salida));
}

PRUEBAS_MAIN(PruebaCorrida, QCoreApplication)
#include "tst_corrida.moc"
