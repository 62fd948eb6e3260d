// The shared PostgreSQL server through the program's connection: open failures
// and their reasons, the run's statements stored in order, rollbacks, waits,
// the server stopping mid-run, and the listing's ODBC connection.

#include "platform/Conexion.h"
#include "platform/ErrorEjecucion.h"
#include "platform/InstaladorOdbc.h"
#include "platform/OdbcPostgres.h"

#include <QElapsedTimer>
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
    void listadoPorOdbc();

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
    QTest::newRow("contraseña errónea") << Cadena("password=no-es-la-clave") << clave;
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

// A second run waits as long as it was told, then gives up with the reason.
void PruebaServidor::otraCorridaEnCurso() {
    Conexion otra;
    otra.SetConnectionString(Cadena());
    otra.Open();
    otra.EstablecerEsperaOcupada(300);
    conexion_.BeginTrans();
    QElapsedTimer reloj;
    reloj.start();
    const QString fallo = Fallo([&] { otra.BeginTrans(); });
    const qint64 espera = reloj.elapsed();
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

// The listing's rows through QODBC and psqlODBC, by the connection string and
// by a user data source written with the same attributes.
void PruebaServidor::listadoPorOdbc() {
    Correr(conexion_, {"D001", "", "ñandú"});
    const DestinoPostgres destino = *conexion_.DestinoServidor();
    QString error;
    QVERIFY2(Odbc::SQLConfigDataSource(nullptr, Odbc::ODBC_ADD_DSN, ControladorOdbcPostgres,
                                       AtributosOdbcPostgres("Cobranzia", destino), &error),
             qPrintable(error));
    for (const QString& nombre : {CadenaOdbcPostgres(destino), QStringLiteral("Cobranzia")}) {
        QStringList leidas;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QODBC", "l");
            db.setDatabaseName(nombre);
            QVERIFY2(db.open(), qPrintable(db.lastError().text()));
            QSqlQuery q(db);
            QVERIFY2(q.exec("SELECT t_datos FROM Datos WHERE t_archivo = 'lote01.txt' ORDER BY id"),
                     qPrintable(q.lastError().text()));
            while (q.next())
                leidas << (q.isNull(0) ? QStringLiteral("<null>") : q.value(0).toString());
        }
        QSqlDatabase::removeDatabase("l");
        QCOMPARE(leidas, (QStringList{"D001", "<null>", "ñandú"}));
    }
}

QTEST_GUILESS_MAIN(PruebaServidor)
#include "tst_servidor.moc"
