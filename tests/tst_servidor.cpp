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
#include <QTemporaryDir>
#include <QTest>

#include <libpq-fe.h>

#include <functional>

namespace {

const QString kArchivo = QStringLiteral("lote01.txt");
const QString kBorrar = QStringLiteral("<borrar>");

QString Entorno(const char* nombre) {
    return qEnvironmentVariable(nombre);
}

// The owner's connection string; libpq takes the last of repeated keys.
QString Cadena(const QString& extra = QString()) {
    return Entorno("PRUEBA_SERVIDOR") + u' ' + extra;
}

QString Literal(const QString& texto) {
    return texto.isEmpty() ? QStringLiteral("Null")
                           : u'\'' + QString(texto).replace(u'\'', QLatin1String("''")) + u'\'';
}

QString Borrado() {
    return QStringLiteral(" DELETE FROM Datos  WHERE t_archivo = ") + Literal(kArchivo);
}

QString Insercion(const QString& linea) {
    return QStringLiteral(" INSERT INTO Datos (t_datos, t_archivo)  VALUES (") + Literal(linea) +
           QStringLiteral(", ") + Literal(kArchivo) + QStringLiteral(") ");
}

// The run's statements in one transaction; "<borrar>" runs the delete again.
void Correr(Conexion& conexion, const QStringList& lineas) {
    conexion.BeginTrans();
    try {
        conexion.Execute(Borrado());
        for (const QString& linea : lineas)
            conexion.Execute(linea == kBorrar ? Borrado() : Insercion(linea));
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

// Runs `sql` through libpq as `cadena` says; returns the first column of every
// row, "<null>" for a null, or the server's error.
QStringList Consultar(const QString& cadena, const QString& sql) {
    PGconn* c = PQconnectdb(cadena.toUtf8().constData());
    PQsetNoticeProcessor(
        c, [](void*, const char*) {}, nullptr);
    PGresult* r = PQexec(c, sql.toUtf8().constData());
    QStringList filas;
    if (PQresultStatus(r) != PGRES_TUPLES_OK && PQresultStatus(r) != PGRES_COMMAND_OK)
        filas << QString::fromUtf8(PQerrorMessage(c));
    for (int i = 0; i < PQntuples(r); ++i)
        filas << (PQgetisnull(r, i, 0) ? QStringLiteral("<null>")
                                       : QString::fromUtf8(PQgetvalue(r, i, 0)));
    PQclear(r);
    PQfinish(c);
    return filas;
}

QStringList Guardadas() {
    return Consultar(Cadena(), QStringLiteral("SELECT t_datos FROM Datos WHERE t_archivo = '%1' "
                                              "ORDER BY id")
                                   .arg(kArchivo));
}

QString Superusuario(const QString& base) {
    return Cadena(QStringLiteral("user=postgres dbname=") + base);
}

void Servidor(const char* accion) {
    QCOMPARE(QProcess::execute(Entorno("PRUEBA_SERVIDOR_GUION"),
                               {QLatin1String(accion), Entorno("PRUEBA_SERVIDOR_DIR")}),
             0);
}

} // namespace

class PruebaServidor : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void aperturaFallida_data();
    void aperturaFallida();
    void administradorCreaLasTablas();
    void corridaGuardaEnOrden_data();
    void corridaGuardaEnOrden();
    void falloDejaLoAnterior_data();
    void falloDejaLoAnterior();
    void esperas_data();
    void esperas();
    void servidorDetenidoEnMedio();
    void listadoPorOdbc_data();
    void listadoPorOdbc();

private:
    QTemporaryDir dir_;
    Conexion conexion_;
};

void PruebaServidor::initTestCase() {
    QVERIFY2(!Entorno("PRUEBA_SERVIDOR").isEmpty(), "la prueba necesita el servidor de CTest");
    // A fresh start: no tables in "sinesquema", no rights for "consulta".
    Consultar(Superusuario(QStringLiteral("sinesquema")),
              QStringLiteral("DROP TABLE IF EXISTS Datos, Corridas, Version"));
    conexion_.SetConnectionString(Cadena());
    conexion_.Open();
    Consultar(Cadena(), QStringLiteral("REVOKE ALL ON Datos, Corridas, Version FROM consulta"));
    QFile clave(dir_.filePath(QStringLiteral("mala")));
    QVERIFY(clave.open(QIODevice::WriteOnly));
    clave.write("*:*:*:cobranzia:no-es-la-clave\n");
    clave.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
}

void PruebaServidor::aperturaFallida_data() {
    QTest::addColumn<QString>("cadena");
    QTest::addColumn<QStringList>("motivo");
    QTest::newRow("sin servidor") << Cadena(QStringLiteral("host=") + dir_.path())
                                  << QStringList{
                                         "No se pudo conectar con el servidor de base de datos (",
                                         dir_.path()};
    QTest::newRow("contraseña errónea")
        << Cadena(QStringLiteral("passfile=") + dir_.filePath(QStringLiteral("mala")))
        << QStringList{"La contraseña del usuario no es válida", "password authentication failed"};
    QTest::newRow("sin contraseña guardada")
        << Cadena(QStringLiteral("passfile=") + dir_.filePath(QStringLiteral("ninguna")))
        << QStringList{"La contraseña del usuario no es válida o no está guardada (",
                       "no password supplied"};
    QTest::newRow("sin base") << Cadena(QStringLiteral("dbname=noexiste"))
                              << QStringList{"No existe la base de datos (database \"noexiste\""};
    QTest::newRow("no puede crear las tablas")
        << Cadena(QStringLiteral("user=consulta dbname=sinesquema"))
        << QStringList{
               "Faltan las tablas del programa en la base de datos \"sinesquema\" y el "
               "usuario \"consulta\" no puede crearlas (permission denied for schema public)",
               "CREATE TABLE IF NOT EXISTS Datos (",
               "GRANT SELECT, INSERT, DELETE ON Datos TO \"consulta\";"};
    QTest::newRow("sin permisos") << Cadena(QStringLiteral("user=consulta"))
                                  << QStringList{
                                         "El usuario \"consulta\" no tiene estos permisos "
                                         "en la base de datos \"cobranzia\": SELECT en Datos, "
                                         "INSERT en Datos, DELETE en Datos, SELECT en "
                                         "Corridas"};
    QTest::newRow("cadena no válida") << QStringLiteral("hots=x")
                                      << QStringList{"La cadena de conexión del servidor no es "
                                                     "válida (invalid connection option \"hots\""};
}

void PruebaServidor::aperturaFallida() {
    QFETCH(QString, cadena);
    QFETCH(QStringList, motivo);
    Conexion conexion;
    conexion.SetConnectionString(cadena);
    const QString fallo = Fallo([&] { conexion.Open(); });
    for (const QString& parte : motivo)
        QVERIFY2(fallo.contains(parte), qPrintable(fallo));
    QVERIFY(!conexion.EstaAbierta());
}

// The SQL that the refusal shows makes the database usable by that user.
void PruebaServidor::administradorCreaLasTablas() {
    Conexion conexion;
    conexion.SetConnectionString(Cadena(QStringLiteral("user=consulta dbname=sinesquema")));
    const QString fallo = Fallo([&] { conexion.Open(); });
    const qsizetype desde = fallo.indexOf(QLatin1String("\n\n"));
    QVERIFY2(desde > 0, qPrintable(fallo));
    QCOMPARE(Consultar(Superusuario(QStringLiteral("sinesquema")), fallo.mid(desde)),
             QStringList());
    conexion.Open();
    Correr(conexion, {QStringLiteral("D001")});
    QCOMPARE(Fallo([&] { Correr(conexion, {QStringLiteral("D002")}); }), QString());
}

void PruebaServidor::corridaGuardaEnOrden_data() {
    QTest::addColumn<QStringList>("lineas");
    QTest::addColumn<QStringList>("filas");
    const QStringList raras{"D001", "",           "O'Brien ''", "C:\\ruta\\N", "\\N",
                            "a\tb", "cr\rdentro", "lf\ndentro", "ñandú €"};
    QStringList guardadas = raras;
    guardadas[1] = QStringLiteral("<null>");
    QTest::newRow("caracteres del formato de copia") << raras << guardadas;
    QTest::newRow("reemplaza la corrida anterior") << QStringList{"otra"} << QStringList{"otra"};
    QTest::newRow("borrado entre inserciones")
        << QStringList{"A", "B", kBorrar, "C"} << QStringList{"C"};
    QStringList muchas;
    for (int i = 0; i < 20000; ++i)
        muchas << QStringLiteral("D%1").arg(i, 59, 10, QLatin1Char('0'));
    QTest::newRow("varios bloques") << muchas << muchas;
}

void PruebaServidor::corridaGuardaEnOrden() {
    QFETCH(QStringList, lineas);
    QFETCH(QStringList, filas);
    Correr(conexion_, lineas);
    QCOMPARE(Guardadas().join(u'|'), filas.join(u'|'));
}

void PruebaServidor::falloDejaLoAnterior_data() {
    QTest::addColumn<QStringList>("lineas");
    QTest::addColumn<QString>("motivo");
    QTest::newRow("byte nulo, visto al confirmar")
        << QStringList{"bien", QString(QChar(0))} << "Un dato no es válido para la base de datos";
    QTest::newRow("instrucción errónea en medio")
        << QStringList{"bien", "<tabla inexistente>", "bien"} << "No existe la tabla";
    QTest::newRow("deshecha por el programa") << QStringList{"bien", "<deshacer>"} << QString();
}

void PruebaServidor::falloDejaLoAnterior() {
    QFETCH(QStringList, lineas);
    QFETCH(QString, motivo);
    Correr(conexion_, {QStringLiteral("antes 1"), QStringLiteral("antes 2")});
    const QString fallo = Fallo([&] {
        conexion_.BeginTrans();
        conexion_.Execute(Borrado());
        for (const QString& linea : lineas) {
            if (linea == QLatin1String("<deshacer>"))
                return conexion_.RollbackTrans();
            conexion_.Execute(linea.startsWith(u'<') ? QStringLiteral("INSERT INTO NoExiste (a) "
                                                                      "VALUES ('x')")
                                                     : Insercion(linea));
        }
        conexion_.CommitTrans();
    });
    if (conexion_.EnTransaccion())
        conexion_.RollbackTrans();
    QVERIFY2(motivo.isEmpty() ? fallo.isEmpty() : fallo.startsWith(motivo), qPrintable(fallo));
    QCOMPARE(Guardadas(), (QStringList{"antes 1", "antes 2"}));
}

void PruebaServidor::esperas_data() {
    QTest::addColumn<QString>("cadena");
    QTest::addColumn<QString>("sentencia");
    QTest::addColumn<QString>("motivo");
    QTest::newRow("otra corrida en curso")
        << Cadena() << QString() << "La base de datos está bloqueada por otro proceso";
    QTest::newRow("instrucción larga")
        << Cadena(QStringLiteral("options='-c statement_timeout=300'")) << " SELECT pg_sleep(5)"
        << "La instrucción superó el tiempo máximo de espera";
}

void PruebaServidor::esperas() {
    QFETCH(QString, cadena);
    QFETCH(QString, sentencia);
    QFETCH(QString, motivo);
    Conexion otra;
    otra.SetConnectionString(cadena);
    otra.Open();
    otra.EstablecerEsperaOcupada(300);
    conexion_.BeginTrans();
    QElapsedTimer reloj;
    reloj.start();
    const QString fallo = Fallo([&] {
        if (sentencia.isEmpty())
            otra.BeginTrans();
        else
            otra.Execute(sentencia);
    });
    conexion_.RollbackTrans();
    QVERIFY2(fallo.startsWith(motivo), qPrintable(fallo));
    QVERIFY2(reloj.elapsed() >= 250 && reloj.elapsed() < 4000,
             qPrintable(QString::number(reloj.elapsed())));
    QVERIFY(!otra.EnTransaccion());
}

void PruebaServidor::servidorDetenidoEnMedio() {
    Correr(conexion_, {QStringLiteral("antes")});
    conexion_.BeginTrans();
    conexion_.Execute(Borrado());
    conexion_.Execute(Insercion(QStringLiteral("después")));
    Servidor("detener");
    const QString fallo = Fallo([&] {
        conexion_.Execute(Insercion(QStringLiteral("después")));
        conexion_.CommitTrans();
    });
    QVERIFY2(fallo.startsWith(u"Se perdió la conexión con el servidor de base de datos ("),
             qPrintable(fallo));
    QCOMPARE(Fallo([&] { conexion_.RollbackTrans(); }), QString());
    Servidor("reanudar");
    QCOMPARE(Guardadas(), QStringList{"antes"});
    // The same connection serves the next run once the server is back, even
    // when it went away between two runs.
    Correr(conexion_, {QStringLiteral("otra vez")});
    Servidor("detener");
    Servidor("reanudar");
    Correr(conexion_, {QStringLiteral("y otra")});
    QCOMPARE(Guardadas(), QStringList{"y otra"});
}

void PruebaServidor::listadoPorOdbc_data() {
    QTest::addColumn<bool>("conFuente");
    QTest::newRow("cadena de conexión") << false;
    QTest::newRow("fuente de datos del usuario") << true;
}

void PruebaServidor::listadoPorOdbc() {
    QFETCH(bool, conFuente);
    const QStringList lineas{"D001", "", "ñandú"};
    Correr(conexion_, lineas);
    const DestinoPostgres destino = *conexion_.DestinoServidor();
    QString nombre = CadenaOdbcPostgres(destino);
    QVERIFY2(!nombre.contains(QLatin1String("assword")), qPrintable(nombre));
    if (conFuente) {
        nombre = QStringLiteral("Cobranzia");
        QString error;
        QVERIFY2(Odbc::SQLConfigDataSource(nullptr, Odbc::ODBC_ADD_DSN, ControladorOdbcPostgres,
                                           AtributosOdbcPostgres(nombre, destino), &error),
                 qPrintable(error));
    }
    QStringList leidas;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), QStringLiteral("l"));
        db.setDatabaseName(nombre);
        QVERIFY2(db.open(), qPrintable(db.lastError().text()));
        QSqlQuery q(db);
        q.setForwardOnly(true);
        QVERIFY(q.prepare(QStringLiteral("SELECT t_datos FROM Datos WHERE t_archivo = ? ORDER "
                                         "BY id")));
        q.addBindValue(kArchivo);
        QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
        while (q.next())
            leidas << (q.isNull(0) ? QStringLiteral("<null>") : q.value(0).toString());
    }
    QSqlDatabase::removeDatabase(QStringLiteral("l"));
    QCOMPARE(leidas, (QStringList{"D001", "<null>", "ñandú"}));
}

QTEST_GUILESS_MAIN(PruebaServidor)
#include "tst_servidor.moc"
