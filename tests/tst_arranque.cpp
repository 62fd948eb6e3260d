// Start-up: the window after a clean start, every start-up failure, the data
// source warning, and the single-instance guard with real processes.

#include "app/frmPrincipal.h"
#include "app/modGral.h"
#include "platform/BaseDatos.h"
#include "platform/InstaladorOdbc.h"
#include "platform/InstanciaUnica.h"
#include "run/Programa.h"
#include "tests/comun/Entorno.h"

#include <QFile>
#include <QPointer>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <signal.h>

namespace {

QString DbqRegistrado() {
    OlvidarCacheOdbc();
    const Odbc::ValorDsn leido =
        Odbc::LeerValorDsn(QStringLiteral("Cobranzia"), QStringLiteral("DBQ"));
    return leido.existe ? leido.valor : QStringLiteral("<ausente>");
}

// Started and past its single-instance test: it has registered its data source.
bool EsperarArranque(const CarpetaPrueba& carpeta) {
    for (int i = 0; i < 100 && DbqRegistrado() != carpeta.Base(); ++i)
        QTest::qWait(50);
    return DbqRegistrado() == carpeta.Base();
}

} // namespace

class PruebaArranque : public QObject {
    Q_OBJECT
private slots:
    void init() { QFile::remove(ArchivoOdbcIni()); }
    void arranqueNormal();
    void arranqueFallido_data();
    void arranqueFallido();
    void avisoSiNoSePuedeRegistrar();
    void unaInstanciaPorCarpeta();
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
        QTRY_VERIFY(!viva);
    }
}

void PruebaArranque::arranqueFallido_data() {
    QTest::addColumn<QString>("caso");
    QTest::addColumn<QString>("motivo");
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
    if (caso == u"no es una base") {
        carpeta.Escribir(QStringLiteral("Cobranzia.mdb"), QByteArray(2048, 'z'));
    } else if (caso == u"datos") {
        carpeta.Escribir(QStringLiteral("datos"), "x");
    } else {
        QVERIFY(CrearBaseDatos(carpeta.Base(),
                               caso == u"otra contraseña" ? QStringLiteral("clave")
                                                          : TextosPrograma::Contrasena,
                               &creada, &error));
        if (caso == u"solo lectura")
            QVERIFY(QFile::setPermissions(carpeta.Base(), QFile::ReadOwner));
    }
    Programa programa(carpeta.Ruta());
    RegistroMensajes mensajes;
    QCOMPARE(EjecutarPrograma(programa, caso == u"datos" ? carpeta.Archivo(QStringLiteral("datos"))
                                                         : QString()),
             1);
    QCOMPARE(mensajes.Textos().size(), 1);
    const QString texto = mensajes.Textos().constFirst();
    QVERIFY2(texto.startsWith(caso == u"datos"
                                  ? QStringLiteral("Error en tiempo de ejecución '75':")
                                  : QStringLiteral("Error en tiempo de ejecución '-2147467259':")),
             qPrintable(texto));
    QVERIFY2(texto.contains(motivo), qPrintable(texto));
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

void PruebaArranque::unaInstanciaPorCarpeta() {
    CarpetaPrueba carpeta;
    CarpetaPrueba otra;
    InstanciaUnica primera(InstanciaUnica::ClavePrograma(carpeta.Ruta()));
    QVERIFY(!primera.PrevInstance());
    QSignalSpy activada(&primera, &InstanciaUnica::ActivacionPedida);
    InstanciaUnica segunda(InstanciaUnica::ClavePrograma(carpeta.Ruta()));
    QVERIFY(segunda.PrevInstance());
    QTRY_COMPARE(activada.count(), 1);
    InstanciaUnica tercera(InstanciaUnica::ClavePrograma(otra.Ruta()));
    QVERIFY(!tercera.PrevInstance());
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
                             10000);
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
    QVERIFY(viva.waitForFinished());
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
