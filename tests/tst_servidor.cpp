// The shared PostgreSQL server: open failures and their reasons, waits for a
// run of the same file, the server stopped, killed or frozen mid-run, and two
// workstations with their listings and the data source they registered, over
// the Unix socket and over TCP with TLS required.

#include "platform/base/Conexion.h"
#include "platform/base/EsquemaPostgres.h"
#include "platform/proceso/ErrorEjecucion.h"
#include "platform/reporte/DatosReporte.h"
#include "run/CorridaControl.h"
#include "run/Historial.h"
#include "run/Programa.h"
#include "tests/comun/Entorno.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <thread>

#include <libpq-fe.h>
#include <signal.h>

namespace {

const QString kArchivo = "lote01.txt";

// The owner's connection string; libpq takes the last of repeated keys.
QString Cadena(const QString& extra = QString()) {
    return qEnvironmentVariable("PRUEBA_SERVIDOR") + u' ' + extra;
}

// The owner over TCP with TLS, the server's certificate checked; `modo`
// "disable" tries it in clear text.
QString CadenaTls(const QString& modo = "verify-full") {
    const QString dir = qEnvironmentVariable("PRUEBA_SERVIDOR_DIR");
    QFile puerto(dir + QStringLiteral("/puerto"));
    puerto.open(QIODevice::ReadOnly);
    return QStringLiteral("host=127.0.0.1 port=%1 dbname=cobranzia user=cobranzia sslmode=%2 "
                          "sslrootcert=%3/ca.crt")
        .arg(QString::fromLatin1(puerto.readAll().trimmed()), modo, dir);
}

// The file's rows replaced by one, in one transaction of the connection.
void Reemplazar(Conexion& conexion, const QString& dato) {
    conexion.BeginTrans();
    conexion.Execute(" DELETE FROM Datos WHERE t_archivo = '" + kArchivo + "'");
    conexion.Execute(" INSERT INTO Datos (t_datos, t_archivo) VALUES ('" + dato + "', '" +
                     kArchivo + "')");
    conexion.CommitTrans();
}

// What the step raised, which is a database error; empty when it raised nothing.
QString Fallo(const std::function<void()>& paso) {
    const ErrorEjecucion e = ErrorDe(paso);
    return e.Numero() == Errores::BaseDatos || e.Numero() == 0 ? e.Descripcion() : "otro número";
}

// The rows stored for the file, in order.
QStringList Consultar() {
    return SqlServidor("SELECT t_datos FROM Datos WHERE t_archivo = $1 ORDER BY id", {kArchivo});
}

// A file in the temporary folder for its owner alone, as libpq wants a
// password's; its path.
QString EscribirPrivado(const QString& nombre, const QByteArray& contenido) {
    const QString ruta = QDir::temp().filePath(nombre);
    QFile archivo(ruta);
    archivo.open(QIODevice::WriteOnly | QIODevice::Truncate);
    archivo.write(contenido);
    archivo.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    return ruta;
}

// The entry "cambiante" of the service file that PGSERVICEFILE names.
void EscribirServicio(const QByteArray& entrada) {
    const QString ruta =
        EscribirPrivado("pg_service-cambiante.conf", "[cambiante]\n" + entrada + '\n');
    qputenv("PGSERVICEFILE", QFile::encodeName(ruta));
}

bool Servidor(const char* accion) {
    return QProcess::execute(
               qEnvironmentVariable("PRUEBA_SERVIDOR_GUION"),
               {QLatin1String(accion), qEnvironmentVariable("PRUEBA_SERVIDOR_DIR")}) == 0;
}

// The server runs again when the test ends, whatever its outcome, so that
// one fault does not fail the tests after it.
struct ServidorEnMarcha {
    pid_t congelado = 0;
    ~ServidorEnMarcha() {
        if (congelado > 0)
            kill(congelado, SIGCONT);
        Servidor("reanudar");
    }
};

// The server process of a run that has begun writing, or with `listado`, of
// a listing that has begun reading its rows; or 0.
pid_t ProcesoDeCorrida(bool listado = false) {
    const QStringList pid = SqlServidor(
        QStringLiteral(
            "SELECT pid FROM pg_stat_activity WHERE application_name = 'cobranzia' AND ") +
            (listado ? QStringLiteral("query LIKE '%EXISTS (SELECT 1 FROM Corridas%'")
                     : QStringLiteral("backend_xid IS NOT NULL")),
        {}, Cadena("user=postgres dbname=postgres"));
    return pid.isEmpty() ? 0 : pid.constFirst().toInt();
}

// A run in this process whose server process is frozen once the run reports
// its first lines, and which is cancelled when told again with no new line:
// the run is then waiting for the server. What the run raised.
QString CanceladaAlCongelar(const QString& carpeta, const QString& lote, pid_t& congelado) {
    Programa programa(carpeta, carpeta);
    programa.ElegirServidor(Cadena(), QString());
    programa.AbrirConexion();
    qint64 vistas = 0;
    const auto avance = [&](const ProgresoCorrida& p) {
        const bool esperando = congelado > 0 && p.lineas == vistas;
        if (congelado == 0 && p.lineas > 0 && (congelado = ProcesoDeCorrida()) > 0)
            kill(congelado, SIGSTOP);
        vistas = p.lineas;
        return !esperando;
    };
    return ErrorDe([&] { EjecutarCorrida(programa, lote, avance); }).Descripcion();
}

} // namespace

class PruebaServidor : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void aperturaFallida_data();
    void aperturaFallida();
    void administradorCreaLasTablas();
    void filaRetenida_data();
    void filaRetenida();
    void servidorDetenidoEnMedio();
    void dosPuestos_data();
    void dosPuestos();
    void servidorCaidoEnUnaCorrida_data();
    void servidorCaidoEnUnaCorrida();
    void versionAnterior();

private:
    Conexion conexion_;
    // A socket that takes connections and never answers.
    QTcpServer mudo_;
};

void PruebaServidor::initTestCase() {
    QVERIFY2(qEnvironmentVariableIsSet("PRUEBA_SERVIDOR"), "sin el servidor de CTest");
    QVERIFY(mudo_.listen(QHostAddress::LocalHost));
    // A fresh start: no tables in "sinesquema", no rights for "consulta".
    SqlServidor("DROP TABLE IF EXISTS Datos, Corridas, Version", {},
                Cadena("user=postgres dbname=sinesquema"));
    conexion_.SetConnectionString(Cadena());
    conexion_.Open();
    SqlServidor("REVOKE ALL ON Datos, Corridas, Version FROM consulta");
    // Other tests leave a tampered history on this server on purpose.
    SqlServidor("TRUNCATE Historial");
    // A table made by hand, found first through the search path.
    SqlServidor(QStringLiteral("CREATE SCHEMA IF NOT EXISTS amano AUTHORIZATION cobranzia; "
                               "CREATE TABLE IF NOT EXISTS amano.datos (x int)"));
}

// Opens that fail with their reason, every wait bounded and the bound stated
// the one kept; a statement that the server keeps answering is not cut short.
void PruebaServidor::aperturaFallida_data() {
    QTest::addColumn<QString>("cadena");
    QTest::addColumn<QString>("motivo");
    QTest::addColumn<QString>("sentencia");
    const auto fila = [](const char* nombre, const QString& cadena, const QString& motivo,
                         const QString& sentencia = QString()) {
        QTest::newRow(nombre) << cadena << motivo << sentencia;
    };
    const QString clave = "La contraseña del usuario no es válida, o no está guardada en ~/.pgpass";
    fila("sin servidor", Cadena("host=/sin-servidor"),
         "No se pudo conectar con el servidor de base de datos (");
    const QString mala = EscribirPrivado("pgpass-mala", "*:*:*:*:no-es-la-clave\n");
    fila("contraseña errónea", Cadena("passfile=" + mala), clave);
    fila("contraseña en la cadena", Cadena("password=x"),
         "La cadena de conexión del servidor lleva una contraseña");
    fila("sin contraseña guardada", Cadena("passfile=/no-existe"), clave);
    fila("sin base", Cadena("dbname=noexiste"),
         "No existe la base de datos (database \"noexiste\"");
    fila("no puede crear las tablas", Cadena("user=consulta dbname=sinesquema"),
         "Faltan las tablas del programa en la base de datos \"sinesquema\" y el usuario "
         "\"consulta\" no puede crearlas (permission denied for schema public)");
    fila("sin permisos", Cadena("user=consulta"),
         "El usuario \"consulta\" no tiene estos permisos en la base de datos \"cobranzia\": "
         "SELECT en Datos, INSERT en Datos, DELETE en Datos, SELECT en Corridas");
    fila("cadena no válida", "hots=x", "La cadena de conexión del servidor");
    fila("tablas temporales", Cadena("dbname=sinesquema options='-c search_path=pg_temp'"),
         "La cadena de conexión del servidor deja temporales las tablas del programa (");
    fila("tabla hecha a mano", Cadena("options='-c search_path=amano,public'"),
         "La tabla datos de la base de datos \"cobranzia\" no es la del programa: le faltan "
         "las columnas t_datos, t_archivo, id. Un administrador puede apartarla y crear la del "
         "programa con:\n\nALTER TABLE datos RENAME TO datos_anterior;\nCREATE TABLE");
    fila("servidor sin TLS", CadenaTls("disable"), "El servidor no admite a este usuario (");
    // A socket that accepts and never answers: libpq would wait for ever on
    // 0 or less; a huge wait is cut to the longest the program keeps.
    const QString mudo = QStringLiteral("host=127.0.0.1 port=%1 %2").arg(mudo_.serverPort());
    const QString sinRespuesta = QStringLiteral(
        "No se pudo conectar con el servidor de base de datos (el servidor no respondió en 10 s)");
    fila("mudo, connect_timeout 0", mudo.arg("connect_timeout=0"), sinRespuesta);
    fila("mudo, connect_timeout negativo", mudo.arg("connect_timeout=-5"), sinRespuesta);
    fila("mudo, connect_timeout enorme", mudo.arg("connect_timeout=99999999 tcp_user_timeout=2000"),
         sinRespuesta);
    fila("connect_timeout no numérico", mudo.arg("connect_timeout=abc"),
         "La cadena de conexión del servidor no es válida (connect_timeout no es un número "
         "entero: «abc»)");
    // libpq reads this one only on TCP; the program's wait reads it always.
    fila("tcp_user_timeout no numérico", Cadena("tcp_user_timeout=2s"),
         "La cadena de conexión del servidor no es válida (tcp_user_timeout no es un número "
         "entero: «2s»)");
    // The service file rewritten between the run and the listing: the
    // listing's reader still reads where the run wrote.
    fila("servicio cambiado antes del listado", "service=cambiante", QString(), "<listado>");
    fila("PGSERVICE cambiado antes del listado", "connect_timeout=10", QString(), "<listado>");
    // A statement longer than the wait, through which the server keeps
    // saying something: the wait starts again at each notice.
    fila("lento pero vivo", Cadena("tcp_user_timeout=3000"), QString(),
         "DO $$ BEGIN FOR i IN 1..8 LOOP PERFORM pg_sleep(0.5); RAISE NOTICE USING MESSAGE = "
         "i::text; END LOOP; END $$");
}

void PruebaServidor::aperturaFallida() {
    QFETCH(QString, cadena);
    QFETCH(QString, motivo);
    QFETCH(QString, sentencia);
    Conexion conexion;
    conexion.SetConnectionString(cadena);
    const auto servicio = qScopeGuard([] { qunsetenv("PGSERVICE"); });
    if (sentencia == u"<listado>") {
        EscribirServicio(Cadena().simplified().replace(u' ', u'\n').toUtf8());
        if (!cadena.contains(u"service"))
            qputenv("PGSERVICE", "cambiante");
    }
    const QString fallo = Fallo([&] {
        conexion.Open();
        if (sentencia == u"<listado>") {
            Reemplazar(conexion, "de la corrida");
            EscribirServicio("host=/sin-servidor");
            DatosReporte datos(
                DatosReporte::CadenaServidor(cadena),
                {"dao", "Datos", "t_datos", true, "t_archivo", kArchivo, {}, {}, {}, {}});
            QCOMPARE(datos.FilasDesde(0, 9).value(0).texto, "de la corrida");
        } else if (!sentencia.isEmpty()) {
            conexion.Execute(sentencia);
        }
    });
    QVERIFY2(motivo.isEmpty() ? fallo.isEmpty() : fallo.startsWith(motivo), qPrintable(fallo));
}

// The SQL that the refusal shows makes the database usable by that user.
void PruebaServidor::administradorCreaLasTablas() {
    Conexion conexion;
    conexion.SetConnectionString(Cadena("user=consulta dbname=sinesquema"));
    const QString fallo = Fallo([&] { conexion.Open(); });
    QCOMPARE(SqlServidor(fallo.mid(fallo.indexOf(u"\n\n")), {},
                         Cadena("user=postgres dbname=sinesquema")),
             QStringList());
    conexion.Open();
    QCOMPARE(Fallo([&] { Reemplazar(conexion, "D001"); }), QString());
}

// Another session holds a row of Corridas: the history's chain, which only a
// role with the program's rights can take, or a file's. A run of another file
// does not wait; a run of the same file, or one that must chain its row,
// waits its bound and fails with the reason, and leaves its row once the
// hold ends. A role that may merely connect holds nothing that stops a run.
void PruebaServidor::filaRetenida_data() {
    QTest::addColumn<QString>("usuario");
    QTest::addColumn<QString>("fila");
    QTest::addColumn<QString>("motivo");
    const QString retenido = "Otra sesión del servidor retiene el historial de corridas (la fila "
                             "«/historial» de Corridas) desde hace más de 5 s";
    const QString historial = "/historial";
    QTest::newRow("rol sin permisos") << "consulta" << historial << QString();
    QTest::newRow("otro archivo") << "cobranzia"
                                  << "otro.txt" << QString();
    QTest::newRow("el mismo archivo")
        << "cobranzia" << kArchivo << "La base de datos está bloqueada por otro proceso";
    QTest::newRow("historial retenido") << "cobranzia" << historial << retenido;
}

void PruebaServidor::filaRetenida() {
    QFETCH(QString, usuario);
    QFETCH(QString, fila);
    QFETCH(QString, motivo);
    const std::unique_ptr<PGconn, decltype(&PQfinish)> otra(
        PQconnectdb(Cadena("user=" + usuario).toUtf8().constData()), &PQfinish);
    const QString retener = "BEGIN; SELECT pg_advisory_lock(1129270898, 2); INSERT INTO Corridas "
                            "(t_archivo, corrida) VALUES ('%1', 'x') ON CONFLICT (t_archivo) DO "
                            "UPDATE SET corrida = excluded.corrida";
    PQclear(PQexec(otra.get(), retener.arg(fila).toUtf8().constData()));
    CarpetaPrueba carpeta(false);
    const QString lote = carpeta.Escribir(kArchivo, "D1\n");
    Programa programa(carpeta.Ruta(), carpeta.Ruta());
    programa.ElegirServidor(Cadena(), QString());
    programa.AbrirConexion(5000);
    QString fallo;
    std::jthread corrida([&] { fallo = Fallo([&] { EjecutarCorrida(programa, lote); }); });
    // A run that waits on the chain waits twice: its own wait, then its row's,
    // in a transaction of its own, which the hold's end lets through.
    const bool dosEsperas = fila == u"/historial" && !motivo.isEmpty();
    if (!dosEsperas)
        corrida.join();
    QStringList esperas{QString()};
    QTRY_VERIFY(!dosEsperas || [&] {
        const QString espera =
            SqlServidor(
                QStringLiteral("SELECT xact_start FROM pg_stat_activity WHERE application_name = "
                               "'cobranzia' AND wait_event_type = 'Lock'"),
                {}, Cadena("user=postgres dbname=postgres"))
                .value(0);
        if (!esperas.contains(espera))
            esperas << espera;
        return esperas.size() == 3;
    }());
    PQclear(PQexec(otra.get(), "COMMIT"));
    if (corrida.joinable())
        corrida.join();
    QVERIFY2(motivo.isEmpty() ? fallo.isEmpty() : fallo.startsWith(motivo), qPrintable(fallo));
    QCOMPARE(SqlServidor("SELECT resultado FROM Historial ORDER BY id DESC LIMIT 1"),
             QStringList{motivo.isEmpty() ? "completada" : "fallida"});
    QCOMPARE(Historial::Comprobar(conexion_).Rota(), QString());
}

void PruebaServidor::servidorDetenidoEnMedio() {
    ServidorEnMarcha enMarcha;
    Reemplazar(conexion_, "antes");
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
    Reemplazar(conexion_, "otra vez");
    QVERIFY(Servidor("detener") && Servidor("reanudar"));
    Reemplazar(conexion_, "y otra");
    QCOMPARE(Consultar(), QStringList{"y otra"});
}

// Two workstations, each with a program folder and a data folder of its own,
// process a file of the same name on the one server at once, each with its
// listing, a few times over: each listing holds exactly its run's rows under
// its code or says a later run replaced them; the server keeps one run's rows
// whole; the data source they registered reads them.
void PruebaServidor::dosPuestos_data() {
    QTest::addColumn<QString>("cadena");
    QTest::addColumn<QByteArray>("pgpass"); // what PGPASSFILE names for the desks
    const QByteArray pgpass = qgetenv("PGPASSFILE");
    QTest::newRow("socket") << Cadena() << pgpass;
    QTest::newRow("TLS") << CadenaTls() << pgpass;
    // libpq reads the root from the desks' folder; the data source, from any.
    const QString dir = qEnvironmentVariable("PRUEBA_SERVIDOR_DIR");
    QTest::newRow("TLS con rutas relativas")
        << CadenaTls().replace(dir + QStringLiteral("/ca.crt"),
                               QDir::current().relativeFilePath(dir + QStringLiteral("/ca.crt")))
        << pgpass;
    // The same settings from a service file's entry; in the second, with the
    // password, which is then found nowhere else.
    QFile clave(QString::fromLocal8Bit(pgpass));
    QVERIFY(clave.open(QIODevice::ReadOnly));
    const QByteArray entrada = CadenaTls().replace(u' ', u'\n').toUtf8() + '\n';
    const QString servicios =
        EscribirPrivado("pg_service.conf", "[oficina]\n" + entrada + "[conclave]\n" + entrada +
                                               "password=" + clave.readLine().split(':').value(4));
    qputenv("PGSERVICEFILE", QFile::encodeName(servicios));
    QTest::newRow("TLS de un servicio") << "service=oficina" << pgpass;
    QTest::newRow("servicio con su contraseña") << "service=conclave" << QByteArray("/no-existe");
}

void PruebaServidor::dosPuestos() {
    QFETCH(QString, cadena);
    QFETCH(QByteArray, pgpass);
    // The desks' own temporary folder, where no copy of the drivers' settings
    // is made; isql runs there, where the desks' relative paths lead nowhere.
    QTemporaryDir temporal(QDir::current().filePath("puestos-XXXXXX"));
    CarpetaPrueba puestos[2] = {CarpetaPrueba(false), CarpetaPrueba(false)};
    // The first run's rows take more than one block of the copy to the server.
    const int lineas[] = {4000, 1400};
    QString programas[2];
    QStringList argumentos[2];
    // A name of this test's own, which psqlODBC would put in its logs' names.
    const QString ejecutable =
        QStringLiteral("cobranzia-%1").arg(QCoreApplication::applicationPid());
    for (int i = 0; i < 2; ++i) {
        puestos[i].CopiarEjecutable();
        programas[i] = puestos[i].Archivo(ejecutable);
        QVERIFY(QFile::rename(puestos[i].Archivo("cobranzia"), programas[i]));
        argumentos[i] = {
            "--servidor", cadena,
            "--datos",    puestos[i].Archivo("datos"),
            "--procesar", puestos[i].Escribir(kArchivo, Lote(lineas[i], char('A' + i))),
            "--listado",  puestos[i].Archivo("l.pdf")};
    }
    const qint64 corridas = Historial::Comprobar(conexion_).filas;
    const QByteArray propio = qgetenv("PGPASSFILE");
    const QByteArray tmpdir = qgetenv("TMPDIR");
    for (int ronda = 0; ronda < 3 && !QTest::currentTestFailed(); ++ronda) {
        qputenv("PGPASSFILE", pgpass);
        qputenv("TMPDIR", QFile::encodeName(temporal.path()));
        ListadosALaVez(programas, argumentos, lineas, true);
        qputenv("PGPASSFILE", propio);
        tmpdir.isEmpty() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", tmpdir);
        const QStringList filas = Consultar();
        QVERIFY(filas.size() == lineas[0] || filas.size() == lineas[1]);
        QCOMPARE(filas.filter(filas.constFirst().left(1)).size(), filas.size());
    }
    // The listing needs no psqlODBC: no log of its, no copy of its settings.
    const QDir tmp("/tmp");
    QCOMPARE(tmp.entryList({QStringLiteral("psqlodbc_%1_*").arg(ejecutable)}), QStringList());
    QVERIFY(
        !QDirIterator(temporal.path(), {"odbcinst.ini"}, QDir::Files, QDirIterator::Subdirectories)
             .hasNext());
    // Both desks' runs are chained in the one history, which isql reads too.
    const Historial::Comprobacion historial = Historial::Comprobar(conexion_);
    QCOMPARE(historial.Rota(), QString());
    QCOMPARE(historial.filas, corridas + 6);
    QProcess isql;
    isql.setWorkingDirectory(temporal.path());
    isql.start("isql", {"-b", "Cobranzia"});
    const qint64 pid = isql.processId();
    isql.write("SELECT count(*) FROM Datos WHERE t_archivo = 'lote01.txt'\n"
               "SELECT 'corridas=' || count(*) FROM Historial\n");
    isql.closeWriteChannel();
    QVERIFY(isql.waitForFinished(30000));
    const QByteArray leido = isql.readAllStandardOutput();
    QVERIFY(leido.contains(QByteArray::number(Consultar().size())));
    QVERIFY2(leido.contains("| corridas=" + QByteArray::number(historial.filas) + ' '), leido);
    // The data source keeps the statements out of isql's log; with no
    // connection left the driver still notes the closing one there.
    for (const QString& nombre :
         tmp.entryList({QStringLiteral("psqlodbc_isql_*%1.log").arg(pid)})) {
        QFile registro(tmp.filePath(nombre));
        QVERIFY(registro.open(QIODevice::ReadOnly));
        QVERIFY2(!registro.readAll().contains("Datos"), qPrintable(nombre));
        registro.remove();
    }
}

// The server killed, or its process for the run frozen (a connection string
// sets a short wait), in the middle of a batch run, or a run cancelled while
// its frozen server holds it up: the run ends with the reason, and the
// earlier run's rows are there when the server is back. The listing's own
// process frozen while it reads the rows: the listing fails within the same
// wait, and the run's rows stay.
void PruebaServidor::servidorCaidoEnUnaCorrida_data() {
    QTest::addColumn<QString>("cadena");
    QTest::addColumn<QString>("motivo");
    QTest::newRow("matado") << Cadena() << "Se perdió la conexión";
    QTest::newRow("congelado") << Cadena("tcp_user_timeout=2000")
                               << "Se perdió la conexión con el servidor de base de datos (el "
                                  "servidor no respondió en 2 s)";
    // In this process, cancelled while the frozen server holds up its rows.
    QTest::newRow("congelado y cancelado") << QString() << "Se canceló el proceso del archivo";
    QTest::newRow("congelado en el listado")
        << Cadena("tcp_user_timeout=2000")
        << "No se pudieron leer las filas del listado: Se perdió la conexión con el servidor de "
           "base de datos (el servidor no respondió en 2 s)";
    // Longer than the server allows a statement, with the server left alone.
    QTest::newRow("tiempo máximo")
        << Cadena("options='-c statement_timeout=300'") << "superó el tiempo máximo";
}

void PruebaServidor::servidorCaidoEnUnaCorrida() {
    QFETCH(QString, cadena);
    QFETCH(QString, motivo);
    CarpetaPrueba carpeta(false);
    const QString programa = carpeta.CopiarEjecutable();
    Reemplazar(conexion_, "antes");
    const QString lote = carpeta.Escribir(kArchivo, Lote(600000, 'D'));
    const QString caso = QString::fromUtf8(QTest::currentDataTag());
    const bool listado = caso == u"congelado en el listado";
    const QString pdf = carpeta.Archivo("l.pdf");
    ServidorEnMarcha enMarcha;
    QString errores;
    if (cadena.isEmpty()) {
        errores = CanceladaAlCongelar(carpeta.Ruta(), lote, enMarcha.congelado);
    } else {
        QProcess proceso;
        proceso.start(programa, QStringList{"--servidor", cadena, "--datos", carpeta.Ruta(),
                                            "--procesar", lote} +
                                    (listado ? QStringList{"--listado", pdf} : QStringList()));
        pid_t servidor = 0;
        if (caso != u"tiempo máximo")
            QTRY_VERIFY_WITH_TIMEOUT((servidor = ProcesoDeCorrida(listado)) > 0, 120000);
        if (caso == u"matado")
            QVERIFY(Servidor("matar"));
        else if (servidor > 0)
            QCOMPARE(kill(enMarcha.congelado = servidor, SIGSTOP), 0);
        QVERIFY(proceso.waitForFinished(120000));
        QCOMPARE(proceso.exitCode(), 2);
        errores = QString::fromUtf8(proceso.readAllStandardError());
    }
    QVERIFY2(errores.contains(motivo), qPrintable(errores));
    if (enMarcha.congelado > 0)
        kill(enMarcha.congelado, SIGCONT);
    QVERIFY(Servidor("reanudar"));
    if (listado) {
        QCOMPARE(Consultar().size(), 600000);
        QVERIFY(!QFile::exists(pdf));
    } else {
        QTRY_COMPARE(Consultar(), QStringList{"antes"});
    }
    // A frozen run's connection is given up, and a new one records how it ended.
    if (caso.startsWith(u"congelado") && !listado)
        QVERIFY(SqlServidor(QStringLiteral("SELECT error_descripcion FROM Historial ORDER BY id "
                                           "DESC LIMIT 1"))
                    .value(0)
                    .contains(motivo));
    // A connection that outlived the server serves the next run.
    Reemplazar(conexion_, "después");
    QCOMPARE(Consultar(), QStringList{"después"});
}

// A database of the previous version gets the history at its first open by
// this one, its rows kept, its version recorded; the history's indexes of the
// next version only the owner may add.
void PruebaServidor::versionAnterior() {
    // Opened as `usuario`: the version, the history's rows and its new index.
    const auto abrir = [](const QString& usuario) {
        Conexion otra;
        otra.SetConnectionString(Cadena(usuario));
        otra.Open();
        return SqlServidor(QStringLiteral(
            "SELECT numero || ' ' || (SELECT count(*) FROM Historial) || ' ' || (SELECT count(*) "
            "FROM pg_indexes WHERE indexname = 'historial_filas_id') FROM Version"));
    };
    Reemplazar(conexion_, "antes");
    SqlServidor("DROP TABLE Historial; UPDATE Version SET numero = 1");
    QCOMPARE(abrir(QString()), QStringList{"3 0 1"});
    QCOMPARE(Consultar(), QStringList{"antes"});
    SqlServidor(QStringLiteral("DROP INDEX historial_filas_id; UPDATE Version SET numero = 2; ") +
                ConcesionesPostgres("consulta"));
    QCOMPARE(abrir("user=consulta"), QStringList{"2 0 0"});
    SqlServidor("REVOKE ALL ON Datos, Corridas, Version, Historial FROM consulta");
    QCOMPARE(abrir(QString()), QStringList{"3 0 1"});
}

PRUEBAS_MAIN(PruebaServidor, QCoreApplication)
#include "tst_servidor.moc"
