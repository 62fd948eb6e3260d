// Start-up on a system without the SQLite3 ODBC driver: the warning with its
// reason, then the window. unixODBC fixes where it looks for its drivers at its
// first call, so this runs in a process of its own.

#include "app/frmPrincipal.h"
#include "app/modGral.h"
#include "platform/InstanciaUnica.h"
#include "run/Programa.h"
#include "tests/comun/Entorno.h"

#include <QTemporaryDir>
#include <QTest>

class PruebaSinControlador : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY(sistema_.isValid());
        QFile vacio(sistema_.filePath(QStringLiteral("odbcinst.ini")));
        QVERIFY(vacio.open(QIODevice::WriteOnly));
        qputenv("ODBCSYSINI", QFile::encodeName(sistema_.path()));
    }
    void avisaYAbreLaVentana() {
        CarpetaPrueba carpeta;
        Programa programa(carpeta.Ruta(), carpeta.Ruta());
        InstanciaUnica instancia(InstanciaUnica::ClavePrograma(carpeta.Ruta()));
        RegistroMensajes mensajes;
        std::unique_ptr<frmPrincipal> ventana(Main(programa, instancia));
        QCOMPARE(mensajes.Textos().size(), 1);
        const QString texto = mensajes.Textos().constFirst();
        QVERIFY2(texto.startsWith(
                     QStringLiteral("No se pudo crear el DSN para el listado.\nCrearDSN::Error: ")),
                 qPrintable(texto));
        QVERIFY2(texto.contains(QStringLiteral("\"SQLite3\" no está instalado")),
                 qPrintable(texto));
        QCOMPARE(mensajes.Iconos().constFirst(), IconoMensaje::Exclamacion);
        QVERIFY(ventana && ventana->isVisible());
        QVERIFY(programa.gConexion && programa.gConexion->EstaAbierta());
    }

private:
    QTemporaryDir sistema_;
};

QTEST_MAIN(PruebaSinControlador)
#include "tst_sin_controlador.moc"
