// Where the data lives and how the program is called: the data folder chosen
// by the option, the variable, a portable program folder or the user's own;
// unusable folders and databases.

#include "platform/base/Manijas.h"
#include "platform/proceso/ErrorEjecucion.h"
#include "platform/proceso/Rutas.h"
#include "run/Programa.h"
#include "tests/comun/Entorno.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <sqlite3.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {
int Modo(const QString& ruta) {
    struct stat info {};
    return stat(RutaABytes(ruta).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}
} // namespace

class PruebaDatos : public QObject {
    Q_OBJECT
private slots:
    void eleccion_data();
    void eleccion();
    void carpetaInutilizable_data();
    void carpetaInutilizable();
    void eleccionServidor_data();
    void eleccionServidor();
    void versionAnterior_data();
    void versionAnterior();
};

void PruebaDatos::eleccion_data() {
    QTest::addColumn<QString>("caso");
    QTest::addColumn<QString>("carpeta"); // where the rows end up, under the test's folder
    const auto fila = [](const char* nombre, const char* caso, const QString& carpeta) {
        QTest::newRow(nombre) << QString::fromUtf8(caso) << carpeta;
    };
    fila("la del usuario", "usuario", "hogar/.local/share/cobranzia");
    fila("XDG_DATA_HOME", "xdg", "xdg/cobranzia");
    fila("la variable", "variable", "variable");
    fila("la variable, no UTF-8", "variable", RutaDesdeBytes("var\xFF\xC3"));
    fila("la del usuario, HOME no UTF-8", "usuario",
         RutaDesdeBytes("hogar\xE9/.local/share/cobranzia"));
    fila("la opción gana a la variable", "opción", "opción;Data Source=\"x");
    fila("carpeta portátil", "portátil", "");
}

// A batch run as each user would start it, with a home of its own.
void PruebaDatos::eleccion() {
    QFETCH(QString, caso);
    QFETCH(QString, carpeta);
    CarpetaPrueba programa(caso == u"portátil");
    programa.CopiarEjecutable();
    const QString lote = programa.Escribir(QStringLiteral("lote.txt"), "D1\n");
    // Set here, so that the child gets their bytes, UTF-8 or not.
    const QString hogar = programa.Archivo(
        caso == u"usuario" ? carpeta.section(QStringLiteral("/.local"), 0, 0) : "hogar");
    qputenv("HOME", RutaABytes(hogar));
    qputenv("COBRANZIA_DATOS", RutaABytes(programa.Archivo(caso == u"variable" ? carpeta : "v")));
    QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
    qputenv("HOME", QFile::encodeName(QDir::homePath()));
    qunsetenv("COBRANZIA_DATOS");
    entorno.insert(QStringLiteral("ODBCINI"), programa.Archivo(QStringLiteral("odbc.ini")));
    entorno.remove(QStringLiteral("XDG_DATA_HOME"));
    QStringList argumentos{QStringLiteral("--procesar"), lote};
    if (caso == u"xdg")
        entorno.insert(QStringLiteral("XDG_DATA_HOME"), programa.Archivo(QStringLiteral("xdg")));
    if (caso != u"variable" && caso != u"opción")
        entorno.remove(QStringLiteral("COBRANZIA_DATOS"));
    if (caso == u"opción")
        argumentos << QStringLiteral("--datos") << programa.Archivo(carpeta);
    const Salida s = programa.Correr(argumentos, entorno);
    QCOMPARE(s.estado, 0);
    const QString datos = carpeta.isEmpty() ? programa.Ruta() : programa.Archivo(carpeta);
    const QString base = datos + QStringLiteral("/Cobranzia.mdb");
    QCOMPARE(FilasGuardadas(base, QStringLiteral("lote.txt")), QStringList{"D1"});
    QCOMPARE(Modo(base), 0600);
    if (!carpeta.isEmpty())
        QCOMPARE(Modo(datos), 0700);
    // The data source names the usual database, and a one-off run on another
    // folder leaves it alone; nothing was made elsewhere.
    QFile odbc(programa.Archivo(QStringLiteral("odbc.ini")));
    QCOMPARE(odbc.open(QIODevice::ReadOnly) && odbc.readAll().contains(RutaABytes(base)),
             caso != u"variable" && caso != u"opción");
    QCOMPARE(Modo(hogar + QStringLiteral("/.local")) >= 0, caso == u"usuario");
}

void PruebaDatos::carpetaInutilizable_data() {
    QTest::addColumn<QString>("caso");
    QTest::addColumn<int>("modo"); // of the folder made beforehand, 0 when none is made
    QTest::addColumn<QString>("motivo");
    const auto fila = [](const char* nombre, const char* caso, int modo, const char* motivo) {
        QTest::newRow(nombre) << QString::fromUtf8(caso) << modo << QString::fromUtf8(motivo);
    };
    fila("un archivo en su lugar", "archivo", 0, "hay un archivo con ese nombre");
    fila("sin permiso de escritura", "solo lectura", 0500, "No se puede escribir");
    fila("no se puede crear", "bajo un archivo", 0, "No se pudo crear");
    fila("de otro usuario", "ajena", 0700,
         "La carpeta de datos «<datos>» pertenece a otro usuario");
    fila("de otro usuario, por nombre", "ajena, --datos", 0700, "«<datos>» pertenece a otro");
    fila("abierta a todos", "abierta", 0777, "«<datos>» admite que otros usuarios escriban");
    fila("abierta al grupo, por nombre", "--datos", 0770, "«<datos>» admite que otros");
    fila("base de otro usuario", "base ajena", 0700, "La base de datos «<datos>/Cobranzia.mdb»");
    fila("sin HOME", "-uHOME", 0, "No se pudo crear la carpeta de datos «/nonexistent");
    fila("HOME vacío", "HOME=", 0, "No se pudo crear la carpeta de datos «/nonexistent");
}

// Refused before anything is written, with the folder or file named.
void PruebaDatos::carpetaInutilizable() {
    QFETCH(QString, caso);
    QFETCH(int, modo);
    QFETCH(QString, motivo);
    const UsuarioPrueba otro;
    const bool sinHogar = caso.contains(u"HOME");
    if (!otro.Hecho() && (caso.contains(u"ajena") || sinHogar))
        QSKIP("hace falta root para crear otro usuario");
    CarpetaPrueba programa(false);
    programa.CopiarEjecutable();
    const QString hogar = programa.Archivo(QStringLiteral("hogar"));
    QString datos = hogar + QStringLiteral("/.local/share/cobranzia");
    const QString base = datos + QStringLiteral("/Cobranzia.mdb");
    QVERIFY(QDir().mkpath(hogar + QStringLiteral("/.local/share")));
    if (caso == u"archivo" || caso == u"bajo un archivo")
        programa.Escribir(QStringLiteral("hogar/.local/share/cobranzia"), "x");
    if (modo)
        QVERIFY(QDir().mkdir(datos) && chmod(QFile::encodeName(datos).constData(), modo) == 0);
    if (caso == u"base ajena")
        programa.Escribir(QStringLiteral("hogar/.local/share/cobranzia/Cobranzia.mdb"), "x");
    if (caso.contains(u"ajena"))
        QCOMPARE(chown(QFile::encodeName(caso == u"base ajena" ? base : datos).constData(),
                       uid_t(otro.Uid()), 0),
                 0);
    QStringList orden{QStringLiteral("-uXDG_DATA_HOME"), sinHogar ? caso : "HOME=" + hogar,
                      programa.Archivo(QStringLiteral("cobranzia")), QStringLiteral("--procesar"),
                      programa.Escribir(QStringLiteral("l.txt"), "D1\n")};
    if (caso == u"bajo un archivo")
        orden << QStringLiteral("--datos") << (datos += QStringLiteral("/sub"));
    if (caso.contains(u"--datos"))
        orden << QStringLiteral("--datos") << datos;
    if (sinHogar)
        QCOMPARE(Ejecutar("chmod", {"-R", "a+rX", programa.Ruta()}).estado, 0);
    const Salida s = sinHogar ? otro.Ejecutar(QStringList{"env"} + orden) : Ejecutar("env", orden);
    QCOMPARE(s.estado, 2);
    QVERIFY2(s.errores.startsWith(QStringLiteral("cobranzia: ")) &&
                 s.errores.contains(motivo.replace(QStringLiteral("<datos>"), datos)),
             qPrintable(s.errores));
    QCOMPARE(QFileInfo(base).size(), caso == u"base ajena" ? 1 : 0);
    QVERIFY(!QFileInfo::exists(programa.Base()));
}

void PruebaDatos::eleccionServidor_data() {
    QTest::addColumn<QStringList>("fuentes"); // system file, settings file, variable, option
    QTest::addColumn<QString>("servidor");
    QTest::newRow("ninguna: la base incrustada") << QStringList{"", "", "", ""} << "";
    QTest::newRow("el archivo del sistema") << QStringList{"host=a", "", "", ""} << "host=a";
    QTest::newRow("la configuración gana al sistema")
        << QStringList{"host=a", "host=b", "", ""} << "host=b";
    QTest::newRow("la variable gana a la configuración")
        << QStringList{"host=a", "host=b", "host=c", ""} << "host=c";
    QTest::newRow("la opción gana a todas")
        << QStringList{"host=a", "host=b", "host=c", "host=d"} << "host=d";
}

void PruebaDatos::eleccionServidor() {
    QFETCH(QStringList, fuentes);
    QFETCH(QString, servidor);
    CarpetaPrueba carpeta;
    const auto poner = [&](const QString& nombre, const QString& valor) {
        return carpeta.Escribir(
            nombre, "[Otra]\nServidor=host=x\n[Base]\nServidor=" + valor.toUtf8() + "\n");
    };
    const QString sistema = poner(QStringLiteral("sistema.conf"), fuentes[0]);
    poner(QStringLiteral("Cobranzia.dat"), fuentes[1]);
    qputenv("COBRANZIA_SERVIDOR", fuentes[2].toUtf8());
    Programa programa(carpeta.Ruta(), carpeta.Ruta());
    programa.ElegirServidor(fuentes[3], sistema);
    qunsetenv("COBRANZIA_SERVIDOR");
    QCOMPARE(programa.EnServidor(), !servidor.isEmpty());
    QCOMPARE(programa.CadenaConexion(),
             servidor.isEmpty() ? Programa(carpeta.Ruta(), carpeta.Ruta()).CadenaConexion()
                                : servidor);
}

void PruebaDatos::versionAnterior_data() {
    QTest::addColumn<QString>("antes");
    QTest::addColumn<QString>("despues");
    QTest::newRow("primera versión") << "DROP TABLE Historial; DROP TABLE Corridas; DROP TABLE "
                                        "Version"
                                     << "4 0 1 8";
    QTest::newRow("segunda versión") << "DROP TABLE Historial; UPDATE Version SET numero = 2"
                                     << "4 0 1 8";
    QTest::newRow("tercera versión") << "DROP INDEX Historial_filas; UPDATE Version SET numero = 3"
                                     << "4 0 1 8";
    QTest::newRow("versión posterior") << "UPDATE Version SET numero = 9"
                                       << "La base de datos es de una versión posterior";
}

// A database of an earlier version gets what it lacks at its first open by
// this one, its rows kept; one of a later version is refused.
void PruebaDatos::versionAnterior() {
    QFETCH(QString, antes);
    QFETCH(QString, despues);
    CarpetaPrueba carpeta;
    GuardarFilas(carpeta.Base(), QStringLiteral("a.txt"), {QStringLiteral("D1")});
    ManijaSqlite db;
    AbrirSqlite(RutaABytes(carpeta.Base()), SQLITE_OPEN_READWRITE, db);
    QCOMPARE(sqlite3_exec(db.get(), antes.toUtf8().constData(), nullptr, nullptr, nullptr),
             SQLITE_OK);
    db.reset();
    const ErrorEjecucion e = ErrorDe([&] { carpeta.NuevoPrograma(); });
    const QString leido =
        e.Numero() ? e.Descripcion()
                   : ConsultarBase(carpeta.Base(),
                                   "SELECT (SELECT numero FROM Version) || ' ' || (SELECT count(*) "
                                   "FROM Historial) || ' ' || count(*) || ' ' || (SELECT count(*) "
                                   "FROM sqlite_master WHERE name LIKE 'Historial_%') FROM Datos")
                         .value(0);
    QVERIFY2(leido.startsWith(despues), qPrintable(leido));
}

PRUEBAS_MAIN(PruebaDatos, QApplication)
#include "tst_datos.moc"
