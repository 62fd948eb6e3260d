// Start-up: the window after a clean start, every start-up failure, the data
// source warning, and the single-instance guard with real processes.

#include "app/frmPrincipal.h"
#include "app/modGral.h"
#include "platform/base/BaseDatos.h"
#include "platform/proceso/InstanciaUnica.h"
#include "run/Programa.h"
#include "tests/comun/Entorno.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLockFile>
#include <QPointer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>
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
};

void PruebaArranque::arranqueNormal() {
    CarpetaPrueba carpeta;
    for (int vez = 0; vez < 2; ++vez) {
        Programa programa(carpeta.Ruta(), carpeta.Ruta());
        InstanciaUnica instancia(InstanciaUnica::ClavePrograma(carpeta.Ruta()));
        RegistroMensajes mensajes;
        frmPrincipal* ventana = Main(programa, instancia);
        QVERIFY(ventana != nullptr);
        QVERIFY(ventana->isVisible());
        const QPointer<frmPrincipal> viva = ventana;
        QVERIFY(programa.gConexion() && programa.gConexion()->EstaAbierta());
        QCOMPARE(mensajes.Textos(), QStringList());
        QCOMPARE(DbqRegistrado(), carpeta.Base());
        // Closing releases the file-system object, then the connection.
        QVERIFY(ventana->close());
        QVERIFY(!programa.gSistemaArchivos() && !programa.gConexion());
        QTRY_VERIFY_WITH_TIMEOUT(!viva, 60000);
    }
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
// one stays; a first copy killed does not block the next.
void PruebaArranque::procesos() {
    CarpetaPrueba carpeta;
    carpeta.CopiarEjecutable();
    const QString programa = carpeta.Archivo(QStringLiteral("cobranzia"));
    QProcess a, b;
    a.start(programa, {});
    b.start(programa, {});
    QTRY_VERIFY_WITH_TIMEOUT(a.state() == QProcess::NotRunning || b.state() == QProcess::NotRunning,
                             60000);
    QProcess& viva = a.state() == QProcess::Running ? a : b;
    QProcess& terminada = &viva == &a ? b : a;
    QCOMPARE(terminada.exitCode(), 0);
    QVERIFY(EsperarArranque(carpeta));

    QFile::remove(ArchivoOdbcIni());
    const Salida segunda = Ejecutar(programa, {});
    QCOMPARE(segunda.estado, 0);
    QVERIFY(!QFile::exists(ArchivoOdbcIni()));
    QCOMPARE(viva.state(), QProcess::Running);

    ::kill(pid_t(viva.processId()), SIGKILL);
    QVERIFY(viva.waitForFinished(60000));
    QProcess siguiente;
    siguiente.start(programa, {});
    QVERIFY(EsperarArranque(carpeta));
    QCOMPARE(siguiente.state(), QProcess::Running);
    siguiente.kill();
    siguiente.waitForFinished();
}

void PruebaArranque::canalAjeno_data() {
    QTest::addColumn<QString>("caso");
    for (const char* caso : {"temporal de otro usuario", "temporal abierta", "run abierta",
                             "run, cerrojo de otro usuario", "run, socket de otro usuario"})
        QTest::newRow(caso) << QString::fromLatin1(caso);
}

// Another user's or an open place of the single-instance channel: this copy
// neither trusts it nor sends it a path, makes nothing there, and its window opens.
void PruebaArranque::canalAjeno() {
    QFETCH(QString, caso);
    const UsuarioPrueba otro;
    if (!otro.Hecho())
        QSKIP("hace falta root para crear otro usuario");
    // Short: a socket's path has room for 107 bytes.
    QTemporaryDir publica(QStringLiteral("/tmp/cobranzia-prueba-XXXXXX"));
    QVERIFY(chmod(QFile::encodeName(publica.path()).constData(), 01777) == 0);
    const QByteArray entorno[] = {qgetenv("XDG_RUNTIME_DIR"), qgetenv("TMPDIR")};
    qputenv("TMPDIR", QFile::encodeName(publica.path()));
    const bool run = caso.startsWith(u"run");
    const QString canal = publica.filePath(run ? QStringLiteral("run")
                                               : QStringLiteral("cobranzia-%1").arg(getuid()));
    run ? qputenv("XDG_RUNTIME_DIR", QFile::encodeName(canal)) : qunsetenv("XDG_RUNTIME_DIR");
    if (caso.contains(u"temporal de otro"))
        QCOMPARE(otro.Ejecutar({"mkdir", "-m", "777", canal}).estado, 0);
    if (run || caso.contains(u"abierta"))
        QVERIFY(QDir().mkpath(canal) && chmod(QFile::encodeName(canal).constData(),
                                              caso.contains(u"abierta") ? 0777 : 0700) == 0);
    const QString clave = InstanciaUnica::ClavePrograma(QDir::currentPath());
    const QString cerrojo = canal + u'/' + clave + QStringLiteral(".lock");
    const QString socket = canal + u'/' + clave + QStringLiteral(".socket");
    QLockFile suyo(cerrojo);
    QLocalServer escucha;
    if (caso.contains(u"cerrojo"))
        QVERIFY(QFile(cerrojo).open(QIODevice::WriteOnly) &&
                chown(QFile::encodeName(cerrojo).constData(), uid_t(otro.Uid()), 0) == 0);
    if (caso.contains(u"socket"))
        QVERIFY(suyo.tryLock(0) && escucha.listen(socket) &&
                chown(QFile::encodeName(socket).constData(), uid_t(otro.Uid()), 0) == 0);
    const QStringList antes = QDir(canal).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    InstanciaUnica instancia(clave, QStringLiteral("/secreto/lote.txt"));
    QVERIFY(!instancia.PrevInstance());
    qputenv("XDG_RUNTIME_DIR", entorno[0]);
    qputenv("TMPDIR", entorno[1]);
    QCOMPARE(QDir(canal).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), antes);
    // A local connection is queued when connect returns: had the copy made one,
    // it would be waiting now.
    QVERIFY(!escucha.waitForNewConnection(0));
}

PRUEBAS_MAIN(PruebaArranque, QApplication)
#include "tst_arranque.moc"
