// Where the data lives and how the program is called: the data folder chosen
// by the option, the variable, a portable program folder or the user's own;
// unusable folders; the command line; a file handed to the window, also to
// the window already open.

#include "app/frmPrincipal.h"
#include "app/modGral.h"
#include "platform/InstanciaUnica.h"
#include "run/LineaOrdenes.h"
#include "run/Programa.h"
#include "tests/comun/Entorno.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {
int Modo(const QString& ruta) {
    struct stat info {};
    return stat(QFile::encodeName(ruta).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}
} // namespace

class PruebaDatos : public QObject {
    Q_OBJECT
private slots:
    void lineaOrdenes_data();
    void lineaOrdenes();
    void eleccion_data();
    void eleccion();
    void carpetaInutilizable_data();
    void carpetaInutilizable();
    void eleccionServidor_data();
    void eleccionServidor();
    void archivoALaVentana();
};

void PruebaDatos::lineaOrdenes_data() {
    QTest::addColumn<QStringList>("argumentos");
    QTest::addColumn<int>("modo");
    QTest::addColumn<QString>("archivo");
    QTest::addColumn<QString>("datos");
    using M = LineaOrdenes::Modo;
    QTest::newRow("archivo") << QStringList{"lote.txt"} << int(M::Ventana) << "lote.txt"
                             << "";
    QTest::newRow("opciones de Qt con valor")
        << QStringList{"-style", "Fusion", "--platform", "offscreen", "-reverse", "a.txt"}
        << int(M::Ventana) << "a.txt"
        << "";
    QTest::newRow("datos con =") << QStringList{"--datos=/d", "--procesar", "x"} << int(M::Procesar)
                                 << "x"
                                 << "/d";
    QTest::newRow("archivo que parece opción")
        << QStringList{"--", "-raro.txt"} << int(M::Ventana) << "-raro.txt"
        << "";
    QTest::newRow("archivo y procesar")
        << QStringList{"a", "--procesar", "b"} << int(M::MalUso) << "a"
        << "";
}

void PruebaDatos::lineaOrdenes() {
    QFETCH(QStringList, argumentos);
    QFETCH(int, modo);
    QFETCH(QString, archivo);
    QFETCH(QString, datos);
    const LineaOrdenes linea = LeerLineaOrdenes(argumentos);
    QCOMPARE(int(linea.modo), modo);
    QCOMPARE(linea.archivo, archivo);
    QCOMPARE(linea.datos, datos);
    QCOMPARE(linea.error.isEmpty(), modo != int(LineaOrdenes::Modo::MalUso));
}

void PruebaDatos::eleccion_data() {
    QTest::addColumn<QString>("caso");
    QTest::addColumn<QString>("carpeta"); // where the rows end up, under the test's folder
    QTest::newRow("la del usuario") << "usuario"
                                    << "hogar/.local/share/cobranzia";
    QTest::newRow("XDG_DATA_HOME") << "xdg"
                                   << "xdg/cobranzia";
    QTest::newRow("la variable") << "variable"
                                 << "variable";
    QTest::newRow("la opción gana a la variable") << "opción"
                                                  << "opción;Data Source=\"x";
    QTest::newRow("carpeta portátil") << "portátil"
                                      << "";
}

// A batch run as each user would start it, with a home of its own.
void PruebaDatos::eleccion() {
    QFETCH(QString, caso);
    QFETCH(QString, carpeta);
    CarpetaPrueba programa(caso == u"portátil");
    programa.CopiarEjecutable();
    const QString lote = programa.Escribir(QStringLiteral("lote.txt"), "D1\n");
    QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
    entorno.insert(QStringLiteral("HOME"), programa.Archivo(QStringLiteral("hogar")));
    entorno.insert(QStringLiteral("ODBCINI"), programa.Archivo(QStringLiteral("odbc.ini")));
    entorno.remove(QStringLiteral("XDG_DATA_HOME"));
    QStringList argumentos{QStringLiteral("--procesar"), lote};
    if (caso == u"xdg")
        entorno.insert(QStringLiteral("XDG_DATA_HOME"), programa.Archivo(QStringLiteral("xdg")));
    if (caso == u"variable" || caso == u"opción")
        entorno.insert(QStringLiteral("COBRANZIA_DATOS"),
                       programa.Archivo(QStringLiteral("variable")));
    if (caso == u"opción")
        argumentos << QStringLiteral("--datos") << programa.Archivo(carpeta);
    const Salida s = Ejecutar(programa.Archivo(QStringLiteral("cobranzia")), argumentos, entorno);
    QCOMPARE(s.estado, 0);
    const QString datos = carpeta.isEmpty() ? programa.Ruta() : programa.Archivo(carpeta);
    const QString base = datos + QStringLiteral("/Cobranzia.mdb");
    QCOMPARE(FilasGuardadas(base, QStringLiteral("lote.txt")), QStringList{"D1"});
    QCOMPARE(Modo(base), 0600);
    if (!carpeta.isEmpty())
        QCOMPARE(Modo(datos), 0700);
    // The data source names the database in use; nothing was made elsewhere.
    QFile odbc(programa.Archivo(QStringLiteral("odbc.ini")));
    QVERIFY(odbc.open(QIODevice::ReadOnly) && odbc.readAll().contains(QFile::encodeName(base)));
    QCOMPARE(QFileInfo::exists(programa.Archivo(QStringLiteral("hogar/.local"))),
             caso == u"usuario");
}

void PruebaDatos::carpetaInutilizable_data() {
    QTest::addColumn<QString>("caso");
    QTest::addColumn<QString>("motivo");
    QTest::newRow("un archivo en su lugar") << "archivo"
                                            << "hay un archivo con ese nombre";
    QTest::newRow("sin permiso de escritura") << "solo lectura"
                                              << "No se puede escribir";
    QTest::newRow("no se puede crear") << "bajo un archivo"
                                       << "No se pudo crear";
    QTest::newRow("de otro usuario") << "ajena"
                                     << "pertenece a otro usuario";
}

void PruebaDatos::carpetaInutilizable() {
    QFETCH(QString, caso);
    QFETCH(QString, motivo);
    CarpetaPrueba programa(false);
    programa.CopiarEjecutable();
    const QString hogar = programa.Archivo(QStringLiteral("hogar"));
    const QString datos = hogar + QStringLiteral("/.local/share/cobranzia");
    QVERIFY(QDir().mkpath(hogar + QStringLiteral("/.local/share")));
    if (caso == u"archivo" || caso == u"bajo un archivo")
        programa.Escribir(QStringLiteral("hogar/.local/share/cobranzia"), "x");
    if (caso == u"solo lectura" || caso == u"ajena")
        QVERIFY(QDir().mkdir(datos) && chmod(QFile::encodeName(datos).constData(), 0500) == 0);
    if (caso == u"ajena" &&
        (getuid() != 0 || chown(QFile::encodeName(datos).constData(), 65534, 65534) != 0))
        QSKIP("cambiar el dueño de una carpeta necesita ser root");
    QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
    entorno.insert(QStringLiteral("HOME"), hogar);
    entorno.remove(QStringLiteral("XDG_DATA_HOME"));
    QStringList argumentos{QStringLiteral("--procesar"),
                           programa.Escribir(QStringLiteral("l.txt"), "D1\n")};
    if (caso == u"bajo un archivo")
        argumentos << QStringLiteral("--datos") << datos + QStringLiteral("/sub");
    const Salida s = Ejecutar(programa.Archivo(QStringLiteral("cobranzia")), argumentos, entorno);
    QCOMPARE(s.estado, 2);
    QVERIFY2(
        s.errores.startsWith(QStringLiteral("cobranzia: ")) && s.errores.contains(motivo) &&
            s.errores.contains(caso == u"bajo un archivo" ? datos + QStringLiteral("/sub") : datos),
        qPrintable(s.errores));
    QVERIFY(!QFileInfo::exists(datos + QStringLiteral("/Cobranzia.mdb")));
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

// The file given at start is in the path box; one given to a later start goes
// to the window already open for the same data folder.
void PruebaDatos::archivoALaVentana() {
    CarpetaPrueba carpeta;
    RegistroMensajes mensajes;
    const QString primero = carpeta.Escribir(QStringLiteral("uno.txt"), "D1\n");
    const QString segundo = carpeta.Escribir(QStringLiteral("dos.txt"), "D2\n");
    Programa programa(carpeta.Ruta(), carpeta.Ruta());
    InstanciaUnica instancia(InstanciaUnica::ClavePrograma(carpeta.Ruta()));
    std::unique_ptr<frmPrincipal> ventana(Main(programa, instancia));
    QVERIFY(ventana != nullptr);
    auto* ruta = ventana->findChild<QLineEdit*>(QStringLiteral("txtRutaArchivo"));
    auto* aceptar = ventana->findChild<QWidget*>(QStringLiteral("cmdAceptar"));
    ventana->AbrirArchivo(primero);
    QCOMPARE(ruta->text(), primero);
    QVERIFY(aceptar->isEnabled());
    InstanciaUnica otra(InstanciaUnica::ClavePrograma(carpeta.Ruta()), segundo);
    QVERIFY(otra.PrevInstance());
    QTRY_COMPARE(ruta->text(), segundo);
    QVERIFY(aceptar->isEnabled());
    // Another data folder is another instance.
    CarpetaPrueba ajena;
    QVERIFY(!InstanciaUnica(InstanciaUnica::ClavePrograma(ajena.Ruta())).PrevInstance());
}

QTEST_MAIN(PruebaDatos)
#include "tst_datos.moc"
