// Start-up: the window after a clean start, every start-up failure, the data
// source warning, and the single-instance guard with real processes.

#include "app/frmPrincipal.h"
#include "app/modGral.h"
#include "platform/base/BaseDatos.h"
#include "platform/proceso/CarpetaPrivada.h"
#include "platform/proceso/CerrojoArchivo.h"
#include "platform/proceso/ErrorEjecucion.h"
#include "platform/proceso/InstanciaUnica.h"
#include "run/Programa.h"
#include "tests/comun/Entorno.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QLocalServer>
#include <QPointer>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Started and past its single-instance test: it has registered its data source.
bool EsperarArranque(const CarpetaPrueba& carpeta) {
    return QTest::qWaitFor([&] { return DbqRegistrado() == carpeta.Base(); }, 60000);
}

} // namespace

class PruebaArranque : public QObject {
    Q_OBJECT
private slots:
    void init() { QFile::remove(ArchivoOdbcIni()); }
    void arranqueNormal();
    void arranqueFallido();
    void avisoSiNoSePuedeRegistrar();
    void procesos();
    void canalAjeno_data();
    void canalAjeno();
    void canalPerdido();
    void senales_data();
    void senales();
};

// A clean start, twice: the window and the connection open, the data source
// registered, no message. The file given at start is in the path box; one
// given to a later start goes to the window already open for the same data
// folder, and that start ends.
void PruebaArranque::arranqueNormal() {
    CarpetaPrueba carpeta;
    const QString ejecutable = carpeta.CopiarEjecutable();
    for (int vez = 0; vez < 2; ++vez) {
        Programa programa(carpeta.Ruta(), carpeta.Ruta());
        InstanciaUnica instancia(InstanciaUnica::ClavePrograma(carpeta.Ruta()));
        RegistroMensajes mensajes;
        frmPrincipal* ventana = Main(programa, instancia);
        QVERIFY(ventana && ventana->isVisible());
        const QPointer<frmPrincipal> viva = ventana;
        QVERIFY(programa.gConexion() && programa.gConexion()->EstaAbierta());
        QCOMPARE(mensajes.Textos(), QStringList());
        QCOMPARE(DbqRegistrado(), carpeta.Base());
        auto* ruta = ventana->findChild<QLineEdit*>("txtRutaArchivo");
        const QString primero = carpeta.Escribir("uno.txt", "D1\n");
        ventana->AbrirArchivo(primero);
        QCOMPARE(ruta->text(), primero);
        QVERIFY(ventana->findChild<QWidget*>("cmdAceptar")->isEnabled());
        // A real later start, while this window's loop answers it.
        QProcess otra;
        otra.start(ejecutable, {carpeta.Escribir("dos.txt", "D2\n")});
        QTRY_COMPARE(ruta->text(), carpeta.Archivo("dos.txt"));
        QTRY_COMPARE(otra.state(), QProcess::NotRunning);
        QCOMPARE(otra.exitCode(), 0);
        // Closing releases the file-system object, then the connection.
        QVERIFY(ventana->close());
        QVERIFY(!programa.gSistemaArchivos() && !programa.gConexion());
        QTRY_VERIFY(!viva);
    }
    // Another data folder is another instance.
    CarpetaPrueba ajena;
    QVERIFY(!InstanciaUnica(InstanciaUnica::ClavePrograma(ajena.Ruta())).PrevInstance());
}

// A database that will not open: one message with the reason, no window, no
// data source.
void PruebaArranque::arranqueFallido() {
    CarpetaPrueba carpeta(false);
    bool creada = false;
    QString error;
    QVERIFY(CrearBaseDatos(carpeta.Base(), QStringLiteral("clave"), &creada, &error));
    Programa programa(carpeta.Ruta());
    RegistroMensajes mensajes;
    QCOMPARE(EjecutarPrograma(programa, QString()), 1);
    QCOMPARE(mensajes.Textos(),
             QStringList{QStringLiteral("Error en tiempo de ejecución '-2147467259':\n\nNo es "
                                        "una contraseña válida.")});
    QCOMPARE(mensajes.Iconos().constFirst(), IconoMensaje::Critico);
    QVERIFY(!programa.gConexion());
    QVERIFY(!QFile::exists(ArchivoOdbcIni()));
}

// A data source that cannot be registered is a warning that names the cause,
// and no escape of the name reaches the box; the window opens.
void PruebaArranque::avisoSiNoSePuedeRegistrar() {
    CarpetaPrueba carpeta;
    const QByteArray odbcini = qgetenv("ODBCINI");
    // A file where the settings file's folder should be: not even the superuser writes there.
    const QString bloqueo = carpeta.Escribir(QStringLiteral("no-es\x1B[2Jcarpeta"), "x");
    qputenv("ODBCINI", QFile::encodeName(bloqueo + QStringLiteral("/odbc.ini")));
    DbqRegistrado();
    Programa programa(carpeta.Ruta(), carpeta.Ruta());
    InstanciaUnica instancia(InstanciaUnica::ClavePrograma(carpeta.Ruta()));
    RegistroMensajes mensajes;
    std::unique_ptr<frmPrincipal> ventana(Main(programa, instancia));
    qputenv("ODBCINI", odbcini);
    DbqRegistrado();
    QVERIFY(ventana && ventana->isVisible());
    QCOMPARE(mensajes.Textos().size(), 1);
    const QString texto = mensajes.Textos().constFirst();
    QVERIFY2(
        texto.startsWith(QStringLiteral("No se pudo crear el DSN para el listado.\nCrearDSN::"
                                        "Error: ")) &&
            texto.contains(QStringLiteral("la carpeta «%1» no se puede usar")
                               .arg(carpeta.Archivo(QStringLiteral("no-es\\x1B[2Jcarpeta")))) &&
            !texto.contains(u'\x1B'),
        qPrintable(texto));
    QCOMPARE(mensajes.Iconos().constFirst(), IconoMensaje::Exclamacion);
}

// A second start ends at once and registers nothing; of two started together
// one stays (what a killed copy leaves: see senales).
void PruebaArranque::procesos() {
    CarpetaPrueba carpeta;
    const QString programa = carpeta.CopiarEjecutable();
    QProcess a, b;
    a.start(programa, {});
    b.start(programa, {});
    QTRY_VERIFY(a.state() == QProcess::NotRunning || b.state() == QProcess::NotRunning);
    QProcess& viva = a.state() == QProcess::Running ? a : b;
    QProcess& terminada = &viva == &a ? b : a;
    QCOMPARE(terminada.exitCode(), 0);
    QVERIFY(EsperarArranque(carpeta));

    QFile::remove(ArchivoOdbcIni());
    QCOMPARE(carpeta.Correr({}).estado, 0);
    QVERIFY(!QFile::exists(ArchivoOdbcIni()));
    QCOMPARE(viva.state(), QProcess::Running);

    viva.kill();
    QVERIFY(viva.waitForFinished(60000));
}

void PruebaArranque::canalAjeno_data() {
    QTest::addColumn<QString>("caso");
    QTest::addColumn<QString>("elegida"); // the private folder: run, tmp, cache, or none
    const auto fila = [](const char* caso, const char* elegida) {
        QTest::newRow(caso) << QString::fromUtf8(caso) << QString::fromLatin1(elegida);
    };
    fila("temporal: carpeta de otro usuario", "cache");
    fila("temporal abierta", "cache");
    fila("temporal de otro usuario", "cache");
    fila("run de otro usuario", "tmp");
    fila("run propia 0770", "tmp");
    fila("run abierta", "tmp");
    fila("run bajo otro usuario", "tmp");
    fila("run, cerrojo de otro usuario", "run");
    fila("run, cerrojo del grupo", "run");
    fila("run, socket de otro usuario", "run");
    fila("run, socket del grupo", "run");
    fila("run, par de otro usuario", "run");
    fila("ninguna: temporal y caché de otro usuario", "");
}

// The private folder is the user's alone, wherever another user owns or may
// write a candidate; the single-instance channel neither trusts another user's
// or an open lock, socket or peer, nor sends it a path, and makes nothing there.
void PruebaArranque::canalAjeno() {
    QFETCH(QString, caso);
    QFETCH(QString, elegida);
    const UsuarioPrueba otro;
    if (!otro.Hecho())
        QSKIP("hace falta root para crear otro usuario");
    // Short: a socket's path has room for 107 bytes.
    QTemporaryDir publica(QStringLiteral("/tmp/cobranzia-prueba-XXXXXX"));
    QVERIFY(chmod(QFile::encodeName(publica.path()).constData(), 01777) == 0);
    const QByteArray entorno[] = {qgetenv("XDG_RUNTIME_DIR"), qgetenv("TMPDIR"),
                                  qgetenv("XDG_CACHE_HOME")};
    // Restored also when a row fails: the next tests run where they should.
    const auto restaurar = qScopeGuard([&] {
        qputenv("XDG_RUNTIME_DIR", entorno[0]);
        qputenv("TMPDIR", entorno[1]);
        qputenv("XDG_CACHE_HOME", entorno[2]);
    });
    const QString propia = QStringLiteral("cobranzia-%1").arg(getuid());
    const QString ajena = publica.filePath("ajena");
    const QString run = caso.contains(u"bajo") ? ajena + "/run" : publica.filePath("run");
    const QString cache = publica.filePath("cache");
    // Another user's, or open to the group: `modo` 0 gives it to the other user.
    const auto ceder = [&](const QString& ruta, mode_t modo) {
        const QByteArray local = QFile::encodeName(ruta);
        return modo ? chmod(local.constData(), modo)
                    : chown(local.constData(), uid_t(otro.Uid()), 0);
    };
    QVERIFY(QDir().mkpath(cache) && QDir().mkpath(ajena) && ceder(ajena, 0) == 0);
    const bool enRun = caso.startsWith(u"run");
    const bool sinTmp = caso.startsWith(u"temporal de otro") || caso.startsWith(u"ninguna");
    qputenv("TMPDIR", QFile::encodeName(sinTmp ? ajena : publica.path()));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(caso.startsWith(u"ninguna") ? ajena : cache));
    enRun ? qputenv("XDG_RUNTIME_DIR", QFile::encodeName(run)) : qunsetenv("XDG_RUNTIME_DIR");
    if (caso.contains(u"carpeta de otro"))
        QCOMPARE(otro.Ejecutar({"mkdir", "-m", "700", publica.filePath(propia)}).estado, 0);
    if (caso == u"temporal abierta")
        QVERIFY(QDir().mkpath(publica.filePath(propia)) &&
                ceder(publica.filePath(propia), 0777) == 0);
    if (enRun)
        QVERIFY(QDir().mkpath(run) && ceder(run, caso.contains(u"abierta")       ? 0777
                                                 : caso.contains(u"0770")        ? 0770
                                                 : caso.contains(u"run de otro") ? 0
                                                                                 : 0700) == 0);
    const QString clave = InstanciaUnica::ClavePrograma(QDir::currentPath());
    const QString cerrojo = run + u'/' + clave + QStringLiteral(".lock");
    const QString socket = run + u'/' + clave + QStringLiteral(".socket");
    const mode_t modo = caso.contains(u"grupo") ? 0660 : 0;
    CerrojoArchivo suyo(cerrojo);
    QLocalServer escucha;
    if (caso.contains(u"cerrojo"))
        QVERIFY(QFile(cerrojo).open(QIODevice::WriteOnly) && ceder(cerrojo, modo) == 0);
    if (caso.contains(u"socket"))
        QVERIFY(suyo.Tomar(0) == CerrojoArchivo::Estado::Tomado && escucha.listen(socket) &&
                ceder(socket, modo ? 0770 : 0) == 0);
    const auto entradas = [](const QString& carpeta) {
        return QDir(carpeta).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    };
    const QStringList antes[] = {entradas(run), entradas(ajena)};
    QString lugar;
    const ErrorEjecucion fallo = ErrorDe([&] { lugar = CarpetaPrivada::DelUsuario(); });
    QVERIFY(fallo.Numero() == 0 || fallo.Descripcion().startsWith("No hay una carpeta privada"));
    const QHash<QString, QString> lugares{
        {"run", run}, {"tmp", publica.filePath(propia)}, {"cache", cache + u'/' + propia}};
    QCOMPARE(lugar, lugares.value(elegida));
    InstanciaUnica instancia(clave, QStringLiteral("/secreto/lote.txt"));
    QVERIFY(!instancia.PrevInstance());
    if (caso.contains(u"par de otro")) {
        // A client of another user reaches the listening copy, and is cut off unheard.
        QSignalSpy pedidas(&instancia, &InstanciaUnica::ActivacionPedida);
        QProcess cliente;
        cliente.start("setpriv", {"--reuid", QString::number(otro.Uid()), "--regid", "0",
                                  "--clear-groups", "--inh-caps=+dac_override",
                                  "--ambient-caps=+dac_override", "/usr/bin/python3", "-c",
                                  "import socket,sys; s=socket.socket(socket.AF_UNIX); "
                                  "s.connect(sys.argv[1]); print('conectado', flush=True); "
                                  "s.sendall(b'activar\\t/secreto\\n'); s.recv(9)",
                                  socket});
        QTRY_COMPARE(cliente.state(), QProcess::NotRunning);
        QCOMPARE(cliente.readAllStandardOutput(), QByteArray("conectado\n"));
        QCOMPARE(pedidas.count(), 0);
    }
    if (elegida != u"run" || !caso.contains(u"par"))
        QCOMPARE(entradas(run), antes[0]);
    QCOMPARE(entradas(ajena), antes[1]);
    // A local connection is queued when connect returns: had the copy made one,
    // it would be waiting now.
    QVERIFY(!escucha.waitForNewConnection(0));
}

// A first copy that holds the lock but cannot be reached: a later start keeps
// its file (its window opens with it) and answers the starts after it.
void PruebaArranque::canalPerdido() {
    CarpetaPrueba carpeta;
    carpeta.CopiarEjecutable();
    const QString clave = InstanciaUnica::ClavePrograma(carpeta.Ruta());
    auto primera = std::make_unique<InstanciaUnica>(clave);
    QVERIFY(!primera->PrevInstance());
    const QString socket = qEnvironmentVariable("XDG_RUNTIME_DIR") + u'/' + clave + ".socket";
    QVERIFY(QFile::remove(socket));
    InstanciaUnica segunda(clave, QStringLiteral("/lotes/uno.txt"));
    QVERIFY(!segunda.PrevInstance());
    QSignalSpy pedidas(&segunda, &InstanciaUnica::ActivacionPedida);
    QProcess tercera;
    // A name may hold a line feed: the whole path arrives.
    tercera.start(carpeta.Archivo("cobranzia"), {carpeta.Escribir("dos\ntres.txt", "D1\n")});
    QTRY_COMPARE(pedidas.count(), 1);
    QCOMPARE(pedidas.at(0).at(0).toString(), carpeta.Archivo("dos\ntres.txt"));
    // The loop runs meanwhile: the copy that answered closes its end from it.
    QTRY_COMPARE(tercera.state(), QProcess::NotRunning);
    QCOMPARE(tercera.exitCode(), 0);
    // The first copy's end leaves the socket of the one that answers in its place.
    primera.reset();
    QVERIFY(QFile::exists(socket));
}

void PruebaArranque::senales_data() {
    QTest::addColumn<int>("senal");
    QTest::addColumn<QString>("caso");
    for (const int senal : {SIGTERM, SIGHUP, SIGINT, SIGKILL})
        QTest::newRow(sigabbrev_np(senal)) << senal << QString();
    // A later window has put its socket in this one's place: it stays.
    QTest::newRow("TERM tras el relevo") << SIGTERM << "relevo";
    // The data source's update, begun under the lock, ends first.
    QTest::newRow("TERM esperando el cerrojo de odbc.ini") << SIGTERM << "cerrojo";
    // A start goes by each folder's lock, not by the pid in its name.
    QTest::newRow("KILL, restos de pid vivo y de cerrojo tomado") << SIGKILL << "restos";
}

// A window ended by a signal leaves no private folder, lock or socket behind,
// and still ends by that signal; what SIGKILL left, the next start removes.
void PruebaArranque::senales() {
    QFETCH(int, senal);
    QFETCH(QString, caso);
    CarpetaPrueba carpeta;
    carpeta.CopiarEjecutable();
    std::optional<CerrojoArchivo> odbc;
    const QDir hogar = QFileInfo(ArchivoOdbcIni()).dir();
    const QStringList copias = hogar.entryList({"odbc.ini.*"});
    if (caso == u"cerrojo")
        QVERIFY(odbc.emplace(ArchivoOdbcIni() + ".lock").Tomar(0) ==
                CerrojoArchivo::Estado::Tomado);
    const QDir run(qEnvironmentVariable("XDG_RUNTIME_DIR"));
    const auto entradas = [&] {
        return run.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    };
    const QStringList antes = entradas();
    const auto nuevas = [&] {
        QStringList lista = entradas();
        lista.removeIf([&](const QString& e) { return antes.contains(e); });
        return lista;
    };
    QProcess ventana;
    // Whatever this test was started with, the window gets every signal at its default.
    ventana.start("env", {"--default-signal", carpeta.Archivo("cobranzia")});
    QVERIFY(ventana.waitForStarted());
    const QString propia = QStringLiteral("cobranzia-proceso-%1").arg(ventana.processId());
    QTRY_VERIFY(nuevas().contains(propia) && !nuevas().filter(".socket").isEmpty());
    const QString socket = run.filePath(nuevas().filter(".socket").constFirst());
    QLocalServer relevo;
    if (caso == u"relevo")
        QVERIFY(QFile::remove(socket) && relevo.listen(socket));
    // Its SIGTERM, SIGHUP and SIGINT held (SigBlk) while it waits for the lock.
    const auto retenidas = [&] {
        QFile estado(QStringLiteral("/proc/%1/status").arg(ventana.processId()));
        const QByteArray texto = estado.open(QIODevice::ReadOnly) ? estado.readAll() : "";
        return (texto.mid(texto.indexOf("SigBlk:") + 7, 17).trimmed().toULongLong(nullptr, 16) &
                0x4003) == 0x4003;
    };
    if (caso == u"cerrojo")
        QTRY_VERIFY(retenidas());
    ::kill(pid_t(ventana.processId()), senal);
    odbc.reset();
    QVERIFY(ventana.waitForFinished(60000));
    QCOMPARE(ventana.exitStatus(), QProcess::CrashExit);
    QCOMPARE(nuevas().contains(propia), senal == SIGKILL);
    QCOMPARE(QFile::exists(socket), caso == u"relevo" || senal == SIGKILL);
    relevo.close();
    // Past any pid there can be: its process is dead, but its lock is held.
    QFile tomado(run.filePath("cobranzia-proceso-4194305/cerrojo"));
    if (caso == u"restos")
        QVERIFY(run.mkdir("cobranzia-proceso-4194305") && tomado.open(QIODevice::WriteOnly) &&
                flock(tomado.handle(), LOCK_EX) == 0 && run.mkdir("cobranzia-proceso-1") &&
                QFile::link(carpeta.Ruta(), run.filePath("cobranzia-proceso-1/enlace")));
    if (senal == SIGKILL)
        QCOMPARE(carpeta.Correr({"--version"}).estado, 0);
    else
        QCOMPARE(nuevas(), QStringList());
    QCOMPARE(nuevas().filter("proceso"),
             caso == u"restos" ? QStringList{"cobranzia-proceso-4194305"} : QStringList());
    QVERIFY(QFile::exists(carpeta.Base()) &&
            QDir(run.filePath("cobranzia-proceso-4194305")).removeRecursively());
    if (caso == u"cerrojo")
        QVERIFY(DbqRegistrado() == carpeta.Base() && hogar.entryList({"odbc.ini.*"}) == copias);
}

PRUEBAS_MAIN(PruebaArranque, QApplication)
#include "tst_arranque.moc"
