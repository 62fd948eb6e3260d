// Start-up: the window after a clean start, every start-up failure, the data
// source warning, and the single-instance guard with real processes.

#include "app/frmPrincipal.h"
#include "app/modGral.h"
#include "dsn/CrearDSNListado.h"
#include "platform/BaseDatos.h"
#include "platform/InstaladorOdbc.h"
#include "platform/InstanciaUnica.h"
#include "tests/comun/Entorno.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <signal.h>

namespace {

bool HayVentanaPrincipal() {
    const QWidgetList ventanas = QApplication::topLevelWidgets();
    return std::any_of(ventanas.begin(), ventanas.end(),
                       [](QWidget* w) { return qobject_cast<frmPrincipal*>(w) && w->isVisible(); });
}

QString DbqRegistrado() {
    OlvidarCacheOdbc();
    const Odbc::ValorDsn leido =
        Odbc::LeerValorDsn(QStringLiteral("Cobranzia"), QStringLiteral("DBQ"));
    return leido.existe ? leido.valor : QStringLiteral("<ausente>");
}

// A program folder with the real executable in it, started as its own process.
class Programa {
public:
    explicit Programa(const CarpetaPrueba& carpeta) {
        proceso_.setProgram(carpeta.Archivo(QStringLiteral("cobranzia")));
        proceso_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    }
    ~Programa() {
        if (proceso_.state() != QProcess::NotRunning) {
            proceso_.kill();
            proceso_.waitForFinished();
        }
    }
    QProcess& Proceso() { return proceso_; }

private:
    QProcess proceso_;
};

// Started and past its single-instance test: it has registered its data source.
bool EsperarArranque(const CarpetaPrueba& carpeta) {
    for (int i = 0; i < 100; ++i) {
        if (DbqRegistrado() == carpeta.Base())
            return true;
        QTest::qWait(50);
    }
    return false;
}

} // namespace

class PruebaArranque : public QObject {
    Q_OBJECT
private slots:
    void init() { QFile::remove(ArchivoOdbcIni()); }
    void cleanup() { TerminarPrograma(); }
    void arranqueNormal();
    void segundoArranqueSinMensajes();
    void arranqueFallido_data();
    void arranqueFallido();
    void avisoSiNoSePuedeRegistrar_data();
    void avisoSiNoSePuedeRegistrar();
    void cierreLiberaLosObjetos();
    void segundaInstanciaAvisaALaPrimera();
    void segundoProcesoTerminaEnSeguida();
    void dosArranquesALaVez();
    void primeraMatadaNoBloquea();
};

void PruebaArranque::arranqueNormal() {
    CarpetaPrueba carpeta;
    RegistroMensajes mensajes;
    QVERIFY(Main());
    QVERIFY(gPrincipal);
    QVERIFY(gPrincipal->isVisible());
    QCOMPARE(gPrincipal->windowTitle(), QStringLiteral("Generación de código de control"));
    QVERIFY(gConexion && gConexion->EstaAbierta());
    QVERIFY(gSistemaArchivos);
    QCOMPARE(mensajes.Textos(), QStringList());
    QCOMPARE(DbqRegistrado(), carpeta.Base());
}

void PruebaArranque::segundoArranqueSinMensajes() {
    CarpetaPrueba carpeta;
    QString motivo;
    QVERIFY(CrearDSNListado(motivo));
    RegistroMensajes mensajes;
    QVERIFY(Main());
    QCOMPARE(mensajes.Textos(), QStringList());
}

void PruebaArranque::arranqueFallido_data() {
    QTest::addColumn<QString>("caso");
    QTest::addColumn<QString>("motivo");
    QTest::newRow("sin base") << "sin base"
                              << "No se encontró el archivo de base de datos";
    QTest::newRow("otra contraseña") << "otra contraseña"
                                     << "No es una contraseña válida.";
    QTest::newRow("no es una base") << "no es una base"
                                    << "No se reconoce el formato";
    QTest::newRow("solo lectura") << "solo lectura"
                                  << "solo lectura";
}

void PruebaArranque::arranqueFallido() {
    QFETCH(QString, caso);
    QFETCH(QString, motivo);
    CarpetaPrueba carpeta(false);
    bool creada = false;
    QString error;
    if (caso == QStringLiteral("otra contraseña"))
        QVERIFY(CrearBaseDatos(carpeta.Base(), QStringLiteral("clave"), &creada, &error));
    else if (caso == QStringLiteral("no es una base"))
        carpeta.Escribir(QStringLiteral("Cobranzia.mdb"), QByteArray(2048, 'z'));
    else if (caso == QStringLiteral("solo lectura")) {
        QVERIFY(CrearBaseDatos(carpeta.Base(), QStringLiteral("tornasolmivel"), &creada, &error));
        QVERIFY(QFile::setPermissions(carpeta.Base(), QFile::ReadOwner | QFile::ReadGroup));
    }

    RegistroMensajes mensajes;
    QCOMPARE(EjecutarPrograma(), 1);
    QCOMPARE(mensajes.Mensajes().size(), 1);
    const QString texto = mensajes.Textos().constFirst();
    QVERIFY2(texto.startsWith(QStringLiteral("Error en tiempo de ejecución '-2147467259':")),
             qPrintable(texto));
    QVERIFY2(texto.contains(motivo), qPrintable(texto));
    QCOMPARE(mensajes.Mensajes().constFirst().icono, IconoMensaje::Critico);
    QVERIFY(!HayVentanaPrincipal());
    QVERIFY(!gPrincipal);
    // The data source was not touched.
    QVERIFY(!QFile::exists(ArchivoOdbcIni()));
}

void PruebaArranque::avisoSiNoSePuedeRegistrar_data() {
    QTest::addColumn<QString>("caso");
    QTest::addColumn<QString>("motivo");
    QTest::newRow("odbc.ini imposible") << "odbc.ini"
                                        << "No se pudo escribir la fuente de datos";
}

void PruebaArranque::avisoSiNoSePuedeRegistrar() {
    QFETCH(QString, caso);
    QFETCH(QString, motivo);
    CarpetaPrueba carpeta;
    const QByteArray odbcini = qgetenv("ODBCINI");
    if (caso == QStringLiteral("odbc.ini")) {
        const QString bloqueo = carpeta.Escribir(QStringLiteral("no-es-carpeta"), "x");
        qputenv("ODBCINI", QFile::encodeName(bloqueo + QStringLiteral("/odbc.ini")));
    }
    DbqRegistrado();
    RegistroMensajes mensajes;
    const bool mostrada = Main();
    qputenv("ODBCINI", odbcini);
    DbqRegistrado();
    QVERIFY(mostrada);
    QCOMPARE(mensajes.Mensajes().size(), 1);
    const QString texto = mensajes.Textos().constFirst();
    QVERIFY2(texto.startsWith(
                 QStringLiteral("No se pudo crear el DSN para el listado.\nCrearDSN::Error: ")),
             qPrintable(texto));
    QVERIFY2(texto.contains(motivo), qPrintable(texto));
    QCOMPARE(mensajes.Mensajes().constFirst().icono, IconoMensaje::Exclamacion);
    QVERIFY(HayVentanaPrincipal());
}

void PruebaArranque::cierreLiberaLosObjetos() {
    CarpetaPrueba carpeta;
    QVERIFY(Main());
    QPointer<frmPrincipal> ventana = gPrincipal;
    QVERIFY(ventana->close());
    QVERIFY(!gSistemaArchivos);
    QVERIFY(!gConexion);
    QVERIFY(!gPrincipal);
    QTRY_VERIFY(ventana.isNull());
}

void PruebaArranque::segundaInstanciaAvisaALaPrimera() {
    CarpetaPrueba carpeta;
    InstanciaUnica primera(InstanciaUnica::ClavePrograma());
    QVERIFY(!primera.PrevInstance());
    QSignalSpy activada(&primera, &InstanciaUnica::ActivacionPedida);
    InstanciaUnica segunda(InstanciaUnica::ClavePrograma());
    QVERIFY(segunda.PrevInstance());
    QTRY_COMPARE(activada.count(), 1);
    // Another program folder is another program.
    CarpetaPrueba otra;
    InstanciaUnica tercera(InstanciaUnica::ClavePrograma());
    QVERIFY(!tercera.PrevInstance());
}

void PruebaArranque::segundoProcesoTerminaEnSeguida() {
    CarpetaPrueba carpeta;
    carpeta.CopiarEjecutable();
    Programa primera(carpeta);
    primera.Proceso().start();
    QVERIFY(primera.Proceso().waitForStarted());
    QVERIFY(EsperarArranque(carpeta));

    // The second start must not register anything: the entry is gone and stays gone.
    QFile::remove(ArchivoOdbcIni());
    Programa segunda(carpeta);
    segunda.Proceso().start();
    QVERIFY(segunda.Proceso().waitForFinished(10000));
    QCOMPARE(segunda.Proceso().exitStatus(), QProcess::NormalExit);
    QCOMPARE(segunda.Proceso().exitCode(), 0);
    QVERIFY(!QFile::exists(ArchivoOdbcIni()));
    QCOMPARE(primera.Proceso().state(), QProcess::Running);
}

void PruebaArranque::dosArranquesALaVez() {
    CarpetaPrueba carpeta;
    carpeta.CopiarEjecutable();
    Programa a(carpeta);
    Programa b(carpeta);
    a.Proceso().start();
    b.Proceso().start();
    QVERIFY(a.Proceso().waitForStarted());
    QVERIFY(b.Proceso().waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(a.Proceso().state() == QProcess::NotRunning ||
                                 b.Proceso().state() == QProcess::NotRunning,
                             10000);
    QTest::qWait(1000);
    Programa& terminada = a.Proceso().state() == QProcess::NotRunning ? a : b;
    Programa& viva = &terminada == &a ? b : a;
    QCOMPARE(viva.Proceso().state(), QProcess::Running);
    QCOMPARE(terminada.Proceso().exitCode(), 0);
}

void PruebaArranque::primeraMatadaNoBloquea() {
    CarpetaPrueba carpeta;
    carpeta.CopiarEjecutable();
    {
        Programa primera(carpeta);
        primera.Proceso().start();
        QVERIFY(EsperarArranque(carpeta));
        ::kill(pid_t(primera.Proceso().processId()), SIGKILL);
        QVERIFY(primera.Proceso().waitForFinished());
    }
    QFile::remove(ArchivoOdbcIni());
    Programa siguiente(carpeta);
    siguiente.Proceso().start();
    QVERIFY(EsperarArranque(carpeta));
    QTest::qWait(500);
    QCOMPARE(siguiente.Proceso().state(), QProcess::Running);
}

QTEST_MAIN(PruebaArranque)
#include "tst_arranque.moc"
