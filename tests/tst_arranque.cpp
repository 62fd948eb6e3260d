// Start-up: the window after a clean start, every start-up failure, the data
// source warning, and the single-instance guard with real processes.

#include "app/frmPrincipal.h"
#include "app/modGral.h"
#include "platform/BaseDatos.h"
#include "platform/InstanciaUnica.h"
#include "run/Programa.h"
#include "tests/comun/Entorno.h"

#include <QFile>
#include <QPointer>
#include <QProcess>
#include <QTest>

#include <signal.h>

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
        QVERIFY(programa.gConexion && programa.gConexion->EstaAbierta());
        QCOMPARE(mensajes.Textos(), QStringList());
        QCOMPARE(DbqRegistrado(), carpeta.Base());
        // Closing releases the file-system object, then the connection.
        QVERIFY(ventana->close());
        QVERIFY(!programa.gSistemaArchivos && !programa.gConexion);
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
    QVERIFY(!programa.gConexion);
    QVERIFY(!QFile::exists(ArchivoOdbcIni()));
}

// A data source that cannot be registered is a warning; the window opens.
void PruebaArranque::avisoSiNoSePuedeRegistrar() {
    CarpetaPrueba carpeta;
    const QByteArray odbcini = qgetenv("ODBCINI");
    // A file where the settings file's folder should be: not even the superuser writes there.
    const QString bloqueo = carpeta.Escribir(QStringLiteral("no-es-carpeta"), "x");
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
    QVERIFY2(mensajes.Textos().constFirst().startsWith(
                 QStringLiteral("No se pudo crear el DSN para el listado.\nCrearDSN::Error: ")),
             qPrintable(mensajes.Textos().constFirst()));
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
    QTest::qWait(300);
    QCOMPARE(siguiente.state(), QProcess::Running);
    siguiente.kill();
    siguiente.waitForFinished();
}

QTEST_MAIN(PruebaArranque)
#include "tst_arranque.moc"
