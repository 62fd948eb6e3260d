// The shared PostgreSQL server through the program's connection: open failures
// and their reasons, the run's statements stored in order, rollbacks, waits,
// the server stopping mid-run, and the listing's ODBC connection.

#include "platform/Conexion.h"
#include "platform/ErrorEjecucion.h"
#include "platform/InstaladorOdbc.h"
#include "platform/OdbcPostgres.h"
#include "tests/comun/Entorno.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

#include <libpq-fe.h>

#include <functional>

namespace {

const QString kArchivo = QStringLiteral("lote01.txt");

// The owner's connection string; libpq takes the last of repeated keys.
QString Cadena(const QString& extra = QString()) {
    return qEnvironmentVariable("PRUEBA_SERVIDOR") + u' ' + extra;
}

QString Literal(const QString& texto) {
    return texto.isEmpty() ? QStringLiteral("Null")
                           : u'\'' + QString(texto).replace(u'\'', QLatin1String("''")) + u'\'';
}

const QString kBorrado = " DELETE FROM Datos  WHERE t_archivo = " + Literal(kArchivo);

// The run's statements in one transaction, as the run writes them; a line
// that starts with a space is a statement of its own, and "<deshacer>" rolls
// back. Any error rolls back and is raised again.
void Correr(Conexion& conexion, const QStringList& lineas) {
    conexion.BeginTrans();
    try {
        conexion.Execute(kBorrado);
        for (const QString& linea : lineas) {
            if (linea == QLatin1String("<deshacer>"))
                return conexion.RollbackTrans();
            conexion.Execute(linea.startsWith(u' ')
                                 ? linea
                                 : " INSERT INTO Datos (t_datos, t_archivo)  VALUES (" +
                                       Literal(linea) + ", " + Literal(kArchivo) + ") ");
        }
        conexion.CommitTrans();
    } catch (...) {
        if (conexion.EnTransaccion())
            conexion.RollbackTrans();
        throw;
    }
}

QString Fallo(const std::function<void()>& paso) {
    try {
        paso();
    } catch (const ErrorEjecucion& e) {
        return e.Numero() == Errores::BaseDatos ? e.Descripcion() : QStringLiteral("otro número");
    }
    return QString();
}

// The first column of every row that `sql` gives ("<null>" for a null), or
// the server's error; by default the rows stored for the file, in order.
QStringList Consultar(const QString& cadena = Cadena(),
                      const QString& sql = "SELECT t_datos FROM Datos WHERE t_archivo = " +
                                           Literal(kArchivo) + " ORDER BY id") {
    PGconn* c = PQconnectdb(cadena.toUtf8().constData());
    PQsetNoticeProcessor(
        c, [](void*, const char*) {}, nullptr);
    PGresult* r = PQexec(c, sql.toUtf8().constData());
    QStringList filas;
    if (PQresultStatus(r) != PGRES_TUPLES_OK && PQresultStatus(r) != PGRES_COMMAND_OK)
        filas << QString::fromUtf8(PQerrorMessage(c));
    for (int i = 0; i < PQntuples(r); ++i)
        filas << (PQgetisnull(r, i, 0) ? "<null>" : QString::fromUtf8(PQgetvalue(r, i, 0)));
    PQclear(r);
    PQfinish(c);
    return filas;
}

bool Servidor(const char* accion) {
    return QProcess::execute(
               qEnvironmentVariable("PRUEBA_SERVIDOR_GUION"),
               {QLatin1String(accion), qEnvironmentVariable("PRUEBA_SERVIDOR_DIR")}) == 0;
}

} // namespace

class PruebaServidor : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void aperturaFallida_data();
    void aperturaFallida();
    void administradorCreaLasTablas();
    void corrida_data();
    void corrida();
    void otraCorridaEnCurso();
    void servidorDetenidoEnMedio();
    void dosPuestos();
    void servidorMatadoEnUnaCorrida();

private:
    Conexion conexion_;
};

void PruebaServidor::initTestCase() {
    QVERIFY2(qEnvironmentVariableIsSet("PRUEBA_SERVIDOR"), "sin el servidor de CTest");
    // A fresh start: no tables in "sinesquema", no rights for "consulta".
    Consultar(Cadena("user=postgres dbname=sinesquema"),
              "DROP TABLE IF EXISTS Datos, Corridas, Version");
    conexion_.SetConnectionString(Cadena());
    conexion_.Open();
    Consultar(Cadena(), "REVOKE ALL ON Datos, Corridas, Version FROM consulta");
}

void PruebaServidor::aperturaFallida_data() {
    QTest::addColumn<QString>("cadena");
    QTest::addColumn<QString>("motivo");
    const QString clave = "La contraseña del usuario no es válida, o no está guardada en ~/.pgpass";
    QTest::newRow("sin servidor") << Cadena("host=/sin-servidor")
                                  << "No se pudo conectar con el servidor de base de datos (";
    // A password file that holds the wrong one, mode 0600 as libpq wants.
    const QString mala = QDir::temp().filePath(QStringLiteral("pgpass-mala"));
    QFile archivo(mala);
    archivo.open(QIODevice::WriteOnly);
    archivo.write("*:*:*:*:no-es-la-clave\n");
    archivo.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    QTest::newRow("contraseña errónea") << Cadena("passfile=" + mala) << clave;
    QTest::newRow("contraseña en la cadena")
        << Cadena("password=x") << "La cadena de conexión del servidor lleva una contraseña";
    QTest::newRow("sin contraseña guardada") << Cadena("passfile=/no-existe") << clave;
    QTest::newRow("sin base") << Cadena("dbname=noexiste")
                              << "No existe la base de datos (database \"noexiste\"";
    QTest::newRow("no puede crear las tablas")
        << Cadena("user=consulta dbname=sinesquema")
        << "Faltan las tablas del programa en la base de datos \"sinesquema\" y el usuario "
           "\"consulta\" no puede crearlas (permission denied for schema public)";
    QTest::newRow("sin permisos")
        << Cadena("user=consulta")
        << "El usuario \"consulta\" no tiene estos permisos en la base de datos \"cobranzia\": "
           "SELECT en Datos, INSERT en Datos, DELETE en Datos, SELECT en Corridas";
    QTest::newRow("cadena no válida") << "hots=x"
                                      << "La cadena de conexión del servidor";
}

void PruebaServidor::aperturaFallida() {
    QFETCH(QString, cadena);
    QFETCH(QString, motivo);
    Conexion conexion;
    conexion.SetConnectionString(cadena);
    const QString fallo = Fallo([&] { conexion.Open(); });
    QVERIFY2(fallo.startsWith(motivo), qPrintable(fallo));
}

// The SQL that the refusal shows makes the database usable by that user.
void PruebaServidor::administradorCreaLasTablas() {
    Conexion conexion;
    conexion.SetConnectionString(Cadena("user=consulta dbname=sinesquema"));
    const QString fallo = Fallo([&] { conexion.Open(); });
    QCOMPARE(
        Consultar(Cadena("user=postgres dbname=sinesquema"), fallo.mid(fallo.indexOf(u"\n\n"))),
        QStringList());
    conexion.Open();
    QCOMPARE(Fallo([&] { Correr(conexion, {"D001", "D002"}); }), QString());
}

void PruebaServidor::corrida_data() {
    QTest::addColumn<QStringList>("lineas");
    QTest::addColumn<QStringList>("filas");
    QTest::addColumn<QString>("motivo");
    const QStringList raras{"D001", "",           "O'Brien ''", "C:\\ruta\\N", "\\N",
                            "a\tb", "cr\rdentro", "lf\ndentro", "ñandú €"};
    QStringList guardadas = raras;
    guardadas[1] = QStringLiteral("<null>");
    QTest::newRow("caracteres del formato de copia") << raras << guardadas << "";
    QTest::newRow("borrado entre inserciones")
        << QStringList{"A", "B", kBorrado, "C"} << QStringList{"C"} << "";
    QStringList muchas;
    for (int i = 0; i < 20000; ++i)
        muchas << QStringLiteral("D%1").arg(i, 59, 10, QLatin1Char('0'));
    QTest::newRow("varios bloques") << muchas << muchas << "";
    const QStringList antes{"antes"};
    QTest::newRow("byte nulo, visto al confirmar")
        << QStringList{"bien", QString(QChar(0))} << antes
        << "Un dato no es válido para la base de datos";
    QTest::newRow("instrucción errónea en medio")
        << QStringList{"bien", " DELETE FROM X", "bien"} << antes << "No existe la tabla";
    QTest::newRow("deshecha") << QStringList{"bien", "<deshacer>"} << antes << "";
}

void PruebaServidor::corrida() {
    QFETCH(QStringList, lineas);
    QFETCH(QStringList, filas);
    QFETCH(QString, motivo);
    Correr(conexion_, {"antes"});
    const QString fallo = Fallo([&] { Correr(conexion_, lineas); });
    QVERIFY2(motivo.isEmpty() ? fallo.isEmpty() : fallo.startsWith(motivo), qPrintable(fallo));
    QCOMPARE(Consultar().join(u'|'), filas.join(u'|'));
}

// A run of the same file waits as long as it was told, then gives up with the
// reason; a run of another file does not wait.
void PruebaServidor::otraCorridaEnCurso() {
    const auto registro = [](const char* archivo) {
        return QStringLiteral(" INSERT INTO Corridas (t_archivo, corrida) VALUES ('%1', '1') ON "
                              "CONFLICT (t_archivo) DO UPDATE SET corrida = excluded.corrida")
            .arg(QLatin1String(archivo));
    };
    Conexion otra;
    otra.SetConnectionString(Cadena());
    otra.Open();
    otra.EstablecerEsperaOcupada(300);
    conexion_.BeginTrans();
    conexion_.Execute(registro("a.txt"));
    otra.BeginTrans();
    otra.Execute(registro("b.txt"));
    QElapsedTimer reloj;
    reloj.start();
    const QString fallo = Fallo([&] { otra.Execute(registro("a.txt")); });
    const qint64 espera = reloj.elapsed();
    otra.RollbackTrans();
    conexion_.RollbackTrans();
    QVERIFY2(fallo.startsWith(u"La base de datos está bloqueada por otro proceso"),
             qPrintable(fallo));
    QVERIFY2(espera >= 250 && espera < 4000, qPrintable(QString::number(espera)));
}

void PruebaServidor::servidorDetenidoEnMedio() {
    Correr(conexion_, {"antes"});
    conexion_.BeginTrans();
    conexion_.Execute(" DELETE FROM Datos");
    conexion_.Execute(" INSERT INTO Datos (t_datos, t_archivo) VALUES ('x', 'y')");
    QVERIFY(Servidor("detener"));
    const QString fallo = Fallo([&] { conexion_.CommitTrans(); });
    QVERIFY2(fallo.startsWith(u"Se perdió la conexión con el servidor de base de datos ("),
             qPrintable(fallo));
    QCOMPARE(Fallo([&] { conexion_.RollbackTrans(); }), QString());
    QVERIFY(Servidor("reanudar"));
    QCOMPARE(Consultar(), QStringList{"antes"});
    // The same connection serves the next run once the server is back, even
    // when it went away between two runs.
    Correr(conexion_, {"otra vez"});
    QVERIFY(Servidor("detener") && Servidor("reanudar"));
    Correr(conexion_, {"y otra"});
    QCOMPARE(Consultar(), QStringList{"y otra"});
}

// Two workstations, each with a program folder and a data folder of its own,
// process a file of the same name on the one server at once, each with its
// listing, a few times over: each listing holds exactly its run's rows under
// its code or says a later run replaced them; the server keeps one run's rows
// whole; the data source they registered reads them.
void PruebaServidor::dosPuestos() {
    CarpetaPrueba puestos[2] = {CarpetaPrueba(false), CarpetaPrueba(false)};
    const int lineas[] = {2500, 1400};
    QString lotes[2];
    for (int i = 0; i < 2; ++i) {
        puestos[i].CopiarEjecutable();
        QByteArray texto;
        for (int n = 0; n < lineas[i]; ++n)
            texto += char('A' + i) + QByteArray::number(n).rightJustified(8, '0') + "\r\n";
        lotes[i] = puestos[i].Escribir(kArchivo, texto);
    }
    for (int ronda = 0; ronda < 3; ++ronda) {
        QProcess procesos[2];
        for (int i = 0; i < 2; ++i)
            procesos[i].start(puestos[i].Archivo(QStringLiteral("cobranzia")),
                              {QStringLiteral("--servidor"), Cadena(), QStringLiteral("--datos"),
                               puestos[i].Archivo(QStringLiteral("datos")),
                               QStringLiteral("--procesar"), lotes[i], QStringLiteral("--listado"),
                               puestos[i].Archivo(QStringLiteral("l.pdf"))});
        // The listing of the run that committed last always stands.
        int listados = 0;
        for (int i = 0; i < 2; ++i) {
            QVERIFY(procesos[i].waitForFinished(60000));
            const QString errores = QString::fromUtf8(procesos[i].readAllStandardError());
            listados += procesos[i].exitCode() == 0;
            if (procesos[i].exitCode() != 0) {
                QVERIFY2(errores.contains(QStringLiteral("reemplazó")), qPrintable(errores));
                continue;
            }
            const QStringList pdf = LineasPdf(puestos[i].Archivo(QStringLiteral("l.pdf")));
            QVERIFY(pdf.contains(QStringLiteral("Código de control: ") +
                                 QString::fromUtf8(procesos[i].readAllStandardOutput()).trimmed()));
            QVERIFY(pdf.contains(QStringLiteral("Filas listadas: %1").arg(lineas[i])));
            QVERIFY(!pdf.join(u'\n').contains(QChar(u'B' - i) + QStringLiteral("0000")));
        }
        QVERIFY(listados > 0);
        const QStringList filas = Consultar();
        QVERIFY(filas.size() == lineas[0] || filas.size() == lineas[1]);
        QCOMPARE(filas.filter(filas.constFirst().left(1)).size(), filas.size());
    }
    QProcess isql;
    isql.start(QStringLiteral("isql"), {QStringLiteral("-b"), QStringLiteral("Cobranzia")});
    isql.write("SELECT count(*) FROM Datos WHERE t_archivo = 'lote01.txt'\n");
    isql.closeWriteChannel();
    QVERIFY(isql.waitForFinished(30000));
    QVERIFY(isql.readAllStandardOutput().contains(QByteArray::number(Consultar().size())));
}

// The server killed in the middle of a batch run: the run fails with the
// reason, and the earlier run's rows are there when the server is back.
void PruebaServidor::servidorMatadoEnUnaCorrida() {
    CarpetaPrueba carpeta(false);
    carpeta.CopiarEjecutable();
    Correr(conexion_, {"antes"});
    QByteArray texto;
    for (int n = 0; n < 600000; ++n)
        texto += "D" + QByteArray::number(n).rightJustified(12, '0') + "\r\n";
    QProcess proceso;
    proceso.start(carpeta.Archivo(QStringLiteral("cobranzia")),
                  {QStringLiteral("--servidor"), Cadena(), QStringLiteral("--datos"),
                   carpeta.Ruta(), QStringLiteral("--procesar"),
                   carpeta.Escribir(kArchivo, texto)});
    QTest::qWait(700);
    QVERIFY(Servidor("matar"));
    QVERIFY(proceso.waitForFinished(60000));
    QVERIFY(Servidor("reanudar"));
    QCOMPARE(proceso.exitCode(), 2);
    QVERIFY2(proceso.readAllStandardError().contains("conexi"), "sin motivo");
    QCOMPARE(Consultar(), QStringList{"antes"});
}

QTEST_GUILESS_MAIN(PruebaServidor)
#include "tst_servidor.moc"
