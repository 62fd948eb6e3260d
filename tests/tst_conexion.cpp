// The database connection: its connection string, what reaches the file (the
// parameterization's split is fuzzed: tests/fuzz/fuzz_sql.cpp), and every way an
// open or a statement fails.

#include "platform/base/BaseDatos.h"
#include "platform/base/Conexion.h"
#include "platform/proceso/ArchivosPrograma.h"
#include "platform/proceso/ErrorEjecucion.h"
#include "run/Programa.h"
#include "tests/comun/Entorno.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {
const QString kInsercion = "INSERT INTO Datos (t_datos, t_archivo) VALUES (%1, 'a')";

QString Contenido(const QString& ruta) {
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll().toHex()) : QString();
}
} // namespace

class PruebaConexion : public QObject {
    Q_OBJECT
private slots:
    void instrucciones_data();
    void instrucciones();
    void aperturaFallida_data();
    void aperturaFallida();
    void baseNueva();
};

void PruebaConexion::instrucciones_data() {
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("guardado"); // "<error>": the statement fails
    const auto literal = [](const char* nombre, const QString& valor, const QString& guardado) {
        QTest::newRow(nombre) << kInsercion.arg(valor) << guardado;
    };
    literal("apóstrofo", "'O''Brien'", "O'Brien");
    literal("nulo", "Null", "<null>");
    literal("vacío", "''", "");
    literal("signo de interrogación", "'¿?'", "¿?");
    literal("SQL dentro", "'a\\b; DROP TABLE Datos; --'", "a\\b; DROP TABLE Datos; --");
    literal("Windows-1252", "'€ñÑ\u0081'", "€ñÑ\u0081");
    literal("literal sin cerrar", "'x", "<error>");
    const auto erronea = [](const char* nombre, const char* sql) {
        QTest::newRow(nombre) << QString::fromUtf8(sql) << "<error>";
    };
    erronea("tabla inexistente", "DELETE FROM Nada WHERE t_archivo = 'a'");
    erronea("t_archivo nulo", "INSERT INTO Datos (t_datos, t_archivo) VALUES ('x', Null)");
    erronea("dos instrucciones", "DELETE FROM Datos; DROP TABLE Datos");
}

// A literal reaches the file as it is, also when the same statement comes
// again through the kept prepared statement; a statement in error fails with
// the database's number and changes nothing.
void PruebaConexion::instrucciones() {
    QFETCH(QString, sql);
    QFETCH(QString, guardado);
    CarpetaPrueba carpeta;
    const auto programa = carpeta.NuevoPrograma();
    programa->gConexion()->Execute(kInsercion.arg("'antes'"));
    const bool falla = guardado == u"<error>";
    for (int vez = 0; vez < 2; ++vez)
        QCOMPARE(ErrorDe([&] { programa->gConexion()->Execute(sql); }).Numero(),
                 falla ? Errores::BaseDatos : 0);
    QCOMPARE(FilasGuardadas(carpeta.Base(), "a"),
             (falla ? QStringList{"antes"} : QStringList{"antes", guardado, guardado}));
}

void PruebaConexion::aperturaFallida_data() {
    QTest::addColumn<QString>("caso");
    QTest::addColumn<QString>("motivo");
    QTest::newRow("sin archivo") << QString("sin archivo")
                                 << "No se encontró el archivo de base de datos";
    QTest::newRow("otra contraseña")
        << QString("otra contraseña") << "No es una contraseña válida.";
    QTest::newRow("texto") << QString("texto") << "No se reconoce el formato de la base de datos";
    QTest::newRow("solo lectura") << QString("solo lectura") << "es de solo lectura";
    QTest::newRow("carpeta") << QString("carpeta") << "no es un archivo de base de datos";
}

void PruebaConexion::aperturaFallida() {
    QFETCH(QString, caso);
    QFETCH(QString, motivo);
    CarpetaPrueba carpeta(false);
    const QString base = carpeta.Base();
    bool creada = false;
    QString error;
    if (caso == u"otra contraseña") {
        QVERIFY(CrearBaseDatos(base, "otra", &creada, &error));
    } else if (caso == u"solo lectura") {
        QVERIFY(CrearBaseDatos(base, ArchivosPrograma::ContrasenaBase, &creada, &error));
        QVERIFY(QFile::setPermissions(base, QFile::ReadOwner));
    } else if (caso == u"texto") {
        carpeta.Escribir("Cobranzia.mdb", QByteArray(4096, 'x'));
    } else if (caso == u"carpeta") {
        QVERIFY(QDir().mkdir(base));
    }
    const QString antes = Contenido(base);
    const ErrorEjecucion e = ErrorDe([&] { carpeta.NuevoPrograma(); });
    QCOMPARE(e.Numero(), Errores::BaseDatos);
    QVERIFY2(e.Descripcion().contains(motivo), qPrintable(e.Descripcion()));
    QCOMPARE(Contenido(base), antes);
}

// A new database never replaces a file that is already there.
void PruebaConexion::baseNueva() {
    CarpetaPrueba carpeta;
    const QString ruta = carpeta.Escribir("otra.mdb", "datos del usuario");
    bool creada = true;
    QString error;
    QVERIFY(CrearBaseDatos(ruta, ArchivosPrograma::ContrasenaBase, &creada, &error));
    QVERIFY(!creada);
    QCOMPARE(Contenido(ruta), QString::fromLatin1(QByteArray("datos del usuario").toHex()));
    QCOMPARE(QDir(carpeta.Ruta()).entryList({"*.nueva-*"}, QDir::Files), QStringList());
}

PRUEBAS_MAIN(PruebaConexion, QCoreApplication)
#include "tst_conexion.moc"
