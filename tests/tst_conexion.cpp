// The database connection: connection string, password, open failures,
// statements with bound literals, transactions, and the fresh database.

#include "app/modGral.h"
#include "platform/BaseDatos.h"
#include "platform/Conexion.h"
#include "platform/ErrorEjecucion.h"
#include "tests/comun/Entorno.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <sqlite3.h>
#include <sys/stat.h>

namespace {

QString Abrir(Conexion& conexion, const QString& carpeta) {
    conexion.SetConnectionString(CadenaConexion(carpeta));
    try {
        conexion.Open();
    } catch (const ErrorEjecucion& e) {
        return QString::number(e.Numero()) + QLatin1Char(' ') + e.Descripcion();
    }
    return QString();
}

} // namespace

class PruebaConexion : public QObject {
    Q_OBJECT
private slots:
    void cadenaDeConexion_data();
    void cadenaDeConexion();
    void valorDeLaCadena_data();
    void valorDeLaCadena();
    void abreLaBaseConSuContrasena();
    void aperturaFallida_data();
    void aperturaFallida();
    void literalesSeGuardanTalCual_data();
    void literalesSeGuardanTalCual();
    void instruccionesErroneas_data();
    void instruccionesErroneas();
    void rollbackDejaLoAnterior();
    void escritorBloqueaLaTransaccion();
    void baseNuevaNoPisaLaExistente();
};

void PruebaConexion::cadenaDeConexion_data() {
    QTest::addColumn<QString>("carpeta");
    QTest::addColumn<QString>("esperada");
    QTest::newRow("carpeta")
        << "/opt/cobranzia"
        << "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/opt/cobranzia/Cobranzia.mdb;"
           "Persist Security Info=False;Jet OLEDB:Database Password=tornasolmivel";
    QTest::newRow("raíz")
        << "/"
        << "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=//Cobranzia.mdb;"
           "Persist Security Info=False;Jet OLEDB:Database Password=tornasolmivel";
}

void PruebaConexion::cadenaDeConexion() {
    QFETCH(QString, carpeta);
    QFETCH(QString, esperada);
    QCOMPARE(CadenaConexion(carpeta), esperada);
}

void PruebaConexion::valorDeLaCadena_data() {
    QTest::addColumn<QString>("cadena");
    QTest::addColumn<QString>("clave");
    QTest::addColumn<QString>("valor");
    const QString normal = CadenaConexion(QStringLiteral("/datos"));
    QTest::newRow("origen") << normal << "Data Source"
                            << "/datos/Cobranzia.mdb";
    QTest::newRow("contraseña al final") << normal << "Jet OLEDB:Database Password"
                                         << "tornasolmivel";
    QTest::newRow("mayúsculas") << normal << "DATA SOURCE"
                                << "/datos/Cobranzia.mdb";
    QTest::newRow("punto y coma en la carpeta")
        << CadenaConexion(QStringLiteral("/a;b=c")) << "Data Source"
        << "/a;b=c/Cobranzia.mdb";
    QTest::newRow("clave ausente") << normal << "User ID"
                                   << "";
}

void PruebaConexion::valorDeLaCadena() {
    QFETCH(QString, cadena);
    QFETCH(QString, clave);
    QFETCH(QString, valor);
    QCOMPARE(ValorConexion(cadena, clave), valor);
}

void PruebaConexion::abreLaBaseConSuContrasena() {
    CarpetaPrueba carpeta;
    Conexion conexion;
    QCOMPARE(Abrir(conexion, carpeta.Ruta()), QString());
    QVERIFY(conexion.EstaAbierta());
    QFileInfo info(carpeta.Base());
    QCOMPARE(int(info.permissions() &
                 (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther)),
             0);
}

void PruebaConexion::aperturaFallida_data() {
    QTest::addColumn<QString>("caso");
    QTest::addColumn<QString>("motivo");
    QTest::newRow("sin archivo") << "sin archivo"
                                 << "No se encontró el archivo de base de datos";
    QTest::newRow("otra contraseña") << "otra contraseña"
                                     << "No es una contraseña válida.";
    QTest::newRow("sin contraseña") << "sin verificador"
                                    << "No es una contraseña válida.";
    QTest::newRow("texto") << "texto"
                           << "No se reconoce el formato de la base de datos";
    QTest::newRow("vacío") << "vacío"
                           << "No se reconoce el formato de la base de datos";
    QTest::newRow("solo lectura") << "solo lectura"
                                  << "es de solo lectura";
    QTest::newRow("carpeta") << "carpeta"
                             << "no es un archivo de base de datos";
}

void PruebaConexion::aperturaFallida() {
    QFETCH(QString, caso);
    QFETCH(QString, motivo);
    CarpetaPrueba carpeta(false);
    const QString base = carpeta.Base();
    bool creada = false;
    QString error;
    if (caso == QStringLiteral("otra contraseña")) {
        QVERIFY(CrearBaseDatos(base, QStringLiteral("otra"), &creada, &error));
    } else if (caso == QStringLiteral("sin verificador")) {
        QVERIFY(CrearBaseDatos(base, QStringLiteral("tornasolmivel"), &creada, &error));
        sqlite3* db = nullptr;
        sqlite3_open(QFile::encodeName(base).constData(), &db);
        sqlite3_exec(db, "DELETE FROM Seguridad", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    } else if (caso == QStringLiteral("texto")) {
        carpeta.Escribir(QStringLiteral("Cobranzia.mdb"), QByteArray(4096, 'x'));
    } else if (caso == QStringLiteral("vacío")) {
        carpeta.Escribir(QStringLiteral("Cobranzia.mdb"), QByteArray());
    } else if (caso == QStringLiteral("solo lectura")) {
        QVERIFY(CrearBaseDatos(base, QStringLiteral("tornasolmivel"), &creada, &error));
        QVERIFY(QFile::setPermissions(base, QFile::ReadOwner));
    } else if (caso == QStringLiteral("carpeta")) {
        QVERIFY(QDir().mkdir(base));
    }
    const QByteArray antes = QFileInfo(base).isFile() ? [&] {
        QFile f(base);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }() : QByteArray();

    Conexion conexion;
    const QString resultado = Abrir(conexion, carpeta.Ruta());
    QVERIFY2(resultado.startsWith(QString::number(Errores::BaseDatos)), qPrintable(resultado));
    QVERIFY2(resultado.contains(motivo), qPrintable(resultado));
    QVERIFY(!conexion.EstaAbierta());
    if (QFileInfo(base).isFile()) {
        QFile f(base);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), antes);
    }
}

void PruebaConexion::literalesSeGuardanTalCual_data() {
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("guardado");
    QTest::newRow("texto") << " INSERT INTO Datos (t_datos, t_archivo)  VALUES ('D001', 'a.txt') "
                           << "D001";
    QTest::newRow("apóstrofo")
        << "INSERT INTO Datos (t_datos, t_archivo) VALUES ('O''Brien', 'a.txt')"
        << "O'Brien";
    QTest::newRow("solo apóstrofos")
        << "INSERT INTO Datos (t_datos, t_archivo) VALUES ('''''', 'a.txt')"
        << "''";
    QTest::newRow("nulo") << "INSERT INTO Datos (t_datos, t_archivo) VALUES (Null, 'a.txt')"
                          << "<null>";
    QTest::newRow("vacío") << "INSERT INTO Datos (t_datos, t_archivo) VALUES ('', 'a.txt')"
                           << "";
    QTest::newRow("signo de interrogación")
        << "INSERT INTO Datos (t_datos, t_archivo) VALUES ('¿?', 'a.txt')"
        << "¿?";
    QTest::newRow("barra invertida y punto y coma")
        << "INSERT INTO Datos (t_datos, t_archivo) VALUES ('a\\b; DROP TABLE Datos', 'a.txt')"
        << "a\\b; DROP TABLE Datos";
    QTest::newRow("Windows-1252")
        << "INSERT INTO Datos (t_datos, t_archivo) VALUES ('€ñÑ\u0081', 'a.txt')"
        << "€ñÑ\u0081";
}

void PruebaConexion::literalesSeGuardanTalCual() {
    QFETCH(QString, sql);
    QFETCH(QString, guardado);
    CarpetaPrueba carpeta;
    Conexion conexion;
    QCOMPARE(Abrir(conexion, carpeta.Ruta()), QString());
    // The same statement twice: the second goes through the kept prepared statement.
    conexion.Execute(sql);
    conexion.Execute(sql);
    QCOMPARE(ConsultarBase(carpeta.Base(), "SELECT t_datos FROM Datos"),
             (QStringList{guardado, guardado}));
    QCOMPARE(ConsultarBase(carpeta.Base(), "SELECT t_archivo FROM Datos WHERE rowid = 1"),
             QStringList{"a.txt"});
}

void PruebaConexion::instruccionesErroneas_data() {
    QTest::addColumn<QString>("sql");
    QTest::newRow("literal sin cerrar")
        << "INSERT INTO Datos (t_datos, t_archivo) VALUES ('x, 'a')";
    QTest::newRow("tabla inexistente") << "DELETE FROM Nada WHERE t_archivo = 'a'";
    QTest::newRow("t_archivo nulo") << "INSERT INTO Datos (t_datos, t_archivo) VALUES ('x', Null)";
    QTest::newRow("dos instrucciones") << "DELETE FROM Datos; DROP TABLE Datos";
    QTest::newRow("vacía") << "  ";
}

void PruebaConexion::instruccionesErroneas() {
    QFETCH(QString, sql);
    CarpetaPrueba carpeta;
    Conexion conexion;
    QCOMPARE(Abrir(conexion, carpeta.Ruta()), QString());
    conexion.Execute(
        QStringLiteral("INSERT INTO Datos (t_datos, t_archivo) VALUES ('antes', 'a')"));
    try {
        conexion.Execute(sql);
        QFAIL("la instrucción debió fallar");
    } catch (const ErrorEjecucion& e) {
        QCOMPARE(e.Numero(), Errores::BaseDatos);
        QVERIFY(!e.Descripcion().isEmpty());
    }
    QCOMPARE(ConsultarBase(carpeta.Base(), "SELECT t_datos FROM Datos"), QStringList{"antes"});
}

void PruebaConexion::rollbackDejaLoAnterior() {
    CarpetaPrueba carpeta;
    Conexion conexion;
    QCOMPARE(Abrir(conexion, carpeta.Ruta()), QString());
    conexion.Execute(
        QStringLiteral("INSERT INTO Datos (t_datos, t_archivo) VALUES ('viejo', 'a')"));
    conexion.BeginTrans();
    conexion.Execute(QStringLiteral(" DELETE FROM Datos  WHERE t_archivo = 'a'"));
    conexion.Execute(
        QStringLiteral("INSERT INTO Datos (t_datos, t_archivo) VALUES ('nuevo', 'a')"));
    conexion.RollbackTrans();
    QCOMPARE(ConsultarBase(carpeta.Base(), "SELECT t_datos FROM Datos"), QStringList{"viejo"});
    conexion.BeginTrans();
    conexion.Execute(QStringLiteral(" DELETE FROM Datos  WHERE t_archivo = 'a'"));
    conexion.CommitTrans();
    QCOMPARE(ConsultarBase(carpeta.Base(), "SELECT t_datos FROM Datos"), QStringList());
}

void PruebaConexion::escritorBloqueaLaTransaccion() {
    CarpetaPrueba carpeta;
    sqlite3* otro = nullptr;
    sqlite3_open(QFile::encodeName(carpeta.Base()).constData(), &otro);
    QCOMPARE(sqlite3_exec(otro, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    Conexion conexion;
    QCOMPARE(Abrir(conexion, carpeta.Ruta()), QString());
    conexion.EstablecerEsperaOcupada(100);
    try {
        conexion.BeginTrans();
        QFAIL("la transacción debió fallar con la base bloqueada");
    } catch (const ErrorEjecucion& e) {
        QCOMPARE(e.Numero(), Errores::BaseDatos);
        QVERIFY2(e.Descripcion().contains(QStringLiteral("bloqueada")),
                 qPrintable(e.Descripcion()));
    }
    QVERIFY(!conexion.EnTransaccion());
    sqlite3_exec(otro, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(otro);
    conexion.BeginTrans();
    conexion.CommitTrans();
}

void PruebaConexion::baseNuevaNoPisaLaExistente() {
    CarpetaPrueba carpeta(false);
    const QString ruta = carpeta.Escribir(QStringLiteral("Cobranzia.mdb"), "datos del usuario");
    bool creada = true;
    QString error;
    QVERIFY(CrearBaseDatos(ruta, QStringLiteral("tornasolmivel"), &creada, &error));
    QVERIFY(!creada);
    QFile f(ruta);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("datos del usuario"));
    // No temporary file is left behind.
    QCOMPARE(QDir(carpeta.Ruta()).entryList({QStringLiteral("*.nueva-*")}, QDir::Files),
             QStringList());
}

QTEST_GUILESS_MAIN(PruebaConexion)
#include "tst_conexion.moc"
