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
    void literalesTalCual_data();
    void literalesTalCual();
    void instruccionesErroneas_data();
    void instruccionesErroneas();
    void aperturaFallida_data();
    void aperturaFallida();
    void baseNueva();
};

void PruebaConexion::literalesTalCual_data() {
    QTest::addColumn<QString>("literal");
    QTest::addColumn<QString>("guardado");
    QTest::newRow("apóstrofo") << QString("'O''Brien'") << "O'Brien";
    QTest::newRow("nulo") << QString("Null") << "<null>";
    QTest::newRow("vacío") << QString("''") << "";
    QTest::newRow("signo de interrogación") << QString("'¿?'") << "¿?";
    QTest::newRow("SQL dentro") << QString("'a\\b; DROP TABLE Datos; --'")
                                << "a\\b; DROP TABLE Datos; --";
    QTest::newRow("Windows-1252") << QString("'€ñÑ\u0081'") << "€ñÑ\u0081";
}

void PruebaConexion::literalesTalCual() {
    QFETCH(QString, literal);
    QFETCH(QString, guardado);
    CarpetaPrueba carpeta;
    const auto programa = carpeta.NuevoPrograma();
    // The same statement twice: the second goes through the kept prepared statement.
    programa->gConexion()->Execute(kInsercion.arg(literal));
    programa->gConexion()->Execute(kInsercion.arg(literal));
    QCOMPARE(FilasGuardadas(carpeta.Base(), "a"), (QStringList{guardado, guardado}));
}

void PruebaConexion::instruccionesErroneas_data() {
    QTest::addColumn<QString>("sql");
    QTest::newRow("literal sin cerrar") << kInsercion.arg("'x");
    QTest::newRow("tabla inexistente") << "DELETE FROM Nada WHERE t_archivo = 'a'";
    QTest::newRow("t_archivo nulo") << "INSERT INTO Datos (t_datos, t_archivo) VALUES ('x', Null)";
    QTest::newRow("dos instrucciones") << "DELETE FROM Datos; DROP TABLE Datos";
}

void PruebaConexion::instruccionesErroneas() {
    QFETCH(QString, sql);
    CarpetaPrueba carpeta;
    const auto programa = carpeta.NuevoPrograma();
    programa->gConexion()->Execute(kInsercion.arg("'antes'"));
    try {
        programa->gConexion()->Execute(sql);
        QFAIL("la instrucción debió fallar");
    } catch (const ErrorEjecucion& e) {
        QCOMPARE(e.Numero(), Errores::BaseDatos);
    }
    QCOMPARE(FilasGuardadas(carpeta.Base(), "a"), QStringList{"antes"});
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
    try {
        carpeta.NuevoPrograma();
        QFAIL("la apertura debió fallar");
    } catch (const ErrorEjecucion& e) {
        QCOMPARE(e.Numero(), Errores::BaseDatos);
        QVERIFY2(e.Descripcion().contains(motivo), qPrintable(e.Descripcion()));
    }
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
