// The listing as the run calls it: the preview of exactly one file's rows,
// the recovery dialog for a missing template and the message for any other
// failure.
#include "platform/Programa.h"
#include "platform/Puntero.h"
#include "platform/gui/ControlReporte.h"
#include "platform/gui/DialogoComun.h"
#include "platform/gui/VistaPrevia.h"
#include "platform/reporte/Reporte.h"
#include "run/Listado.h"
#include "tests/comun/Entorno.h"
#include "tests/comun/ListadoPrueba.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

namespace {
const QString kHash = QStringLiteral("9E107D9D372BB6826BD81D3542A419D6");

// The main window as far as the listing sees it: the window, its report
// control and its dialog, and what the dialog and the boxes were asked.
struct Ventana {
    Ventana() {
        DialogoComun::EstablecerRespuesta([this](const DialogoComun& d) {
            dialogos << Dialogo{d.DefaultExt, d.CancelError, d.InitDir,      d.Flags,
                                d.FileName,   d.Filter,      PunteroActual()};
            return respuestas.isEmpty() ? QString() : respuestas.takeFirst();
        });
        EstablecerPresentadorMensajes([this](const QString& texto, IconoMensaje) {
            mensajes << texto;
            punteroEnMensaje = PunteroActual();
        });
    }
    ~Ventana() {
        DialogoComun::EstablecerRespuesta({});
        EstablecerPresentadorMensajes({});
        delete ventana.data();
    }
    void Imprimir(QString archivo, QString hash = kHash) {
        ImprimirListadoCon(*rpt, *dlg, archivo, hash);
    }
    VistaPrevia* Vista() const {
        const QList<VistaPrevia*> vistas = rpt->Vistas();
        return vistas.isEmpty() ? nullptr : vistas.last();
    }
    // The listing on screen, written to PDF and read back.
    QString TextoVista(const CarpetaPrueba& carpeta) const {
        const QString pdf = carpeta.Archivo(QStringLiteral("vista.pdf"));
        if (!Vista() || !Vista()->GuardarPdf(pdf))
            return {};
        return TextoPdf(pdf);
    }

    struct Dialogo {
        QString defaultExt;
        bool cancelError;
        QString initDir;
        int flags;
        QString fileName;
        QString filter;
        int puntero;
    };
    QPointer<QWidget> ventana = new QWidget;
    ControlReporte* rpt = new ControlReporte(ventana);
    DialogoComun* dlg = new DialogoComun(ventana);
    QList<Dialogo> dialogos;
    QStringList respuestas;
    QStringList mensajes;
    int punteroEnMensaje = -1;
};

QStringList Filas(const QString& prefijo, int n) {
    QStringList filas;
    for (int i = 1; i <= n; ++i)
        filas << QStringLiteral("%1 %2 00001234 CLIENTE NUMERO %2")
                     .arg(prefijo)
                     .arg(i, 4, 10, QLatin1Char('0'));
    return filas;
}
} // namespace

class PruebaImprimirListado : public QObject {
    Q_OBJECT
private slots:
    void vistaDelArchivo();
    void nombresQueSeListan_data();
    void nombresQueSeListan();
    void plantillaAusenteElegida();
    void plantillaAusenteCancelada_data();
    void plantillaAusenteCancelada();
    void canceladaConPlantillaEnCarpetaActual();
    void plantillaElegidaNoValida();
    void otroErrorUnMensaje_data();
    void otroErrorUnMensaje();
    void mismoArchivoReemplazaSuVista();
    void vistaSeCierraConLaVentana();
    void programaTerminaConLaVentana();
};

void PruebaImprimirListado::vistaDelArchivo() {
    CarpetaPrueba carpeta;
    RegistrarOrigen();
    GuardarFilas(carpeta, QStringLiteral("COB1.txt"), Filas(QStringLiteral("PROPIA"), 40));
    GuardarFilas(carpeta, QStringLiteral("COB2.txt"), Filas(QStringLiteral("AJENA"), 40));
    Ventana v;
    v.Imprimir(QStringLiteral("COB1.txt"));
    QVERIFY(v.mensajes.isEmpty());
    QVERIFY(v.dialogos.isEmpty());
    QCOMPARE(PunteroActual(), PunteroPredeterminado);
    QCOMPARE(v.rpt->ReportFileName(), ArchivoDelPrograma(QStringLiteral("Cobranzia.rpt")));
    VistaPrevia* vista = v.Vista();
    QVERIFY(vista);
    QCOMPARE(vista->windowTitle(), QStringLiteral("Listado de Cobranzia"));
    QVERIFY(vista->isVisible());
    QVERIFY(vista->windowState() & Qt::WindowMaximized);
    QVERIFY(!vista->isModal());
    QCOMPARE(vista->Listado().Filas(), 40);
    const QString texto = v.TextoVista(carpeta);
    QVERIFY(texto.contains(QStringLiteral("Archivo: COB1.txt")));
    QVERIFY(texto.contains(QStringLiteral("Código de control: ") + kHash));
    for (const QString& fila : Filas(QStringLiteral("PROPIA"), 40))
        QVERIFY2(texto.contains(fila), qPrintable(fila));
    QVERIFY(!texto.contains(QStringLiteral("AJENA")));
    QVERIFY(texto.contains(QStringLiteral("Página 1 de 1")));
}

void PruebaImprimirListado::nombresQueSeListan_data() {
    QTest::addColumn<QString>("guardado"); // as the run stores it
    QTest::addColumn<QString>("dado");     // as the run passes it
    QTest::newRow("apóstrofo") << "D'Angelo.txt"
                               << "D'Angelo.txt";
    QTest::newRow("apóstrofos seguidos") << "a''b'.txt"
                                         << "a''b'.txt";
    QTest::newRow("espacios delante y detrás") << "COB3.txt"
                                               << "  COB3.txt   ";
    QTest::newRow("apóstrofo y espacios") << "O'Neil.txt"
                                          << " O'Neil.txt ";
    QTest::newRow("llaves y corchetes") << "{x}[y].txt"
                                        << "{x}[y].txt";
    QTest::newRow("porcentaje") << "100%.txt"
                                << "100%.txt";
}

// A name with an apostrophe or with spaces around it lists its own rows.
void PruebaImprimirListado::nombresQueSeListan() {
    QFETCH(QString, guardado);
    QFETCH(QString, dado);
    CarpetaPrueba carpeta;
    RegistrarOrigen();
    GuardarFilas(carpeta, guardado, Filas(QStringLiteral("PROPIA"), 3));
    GuardarFilas(carpeta, QStringLiteral("otro.txt"), Filas(QStringLiteral("AJENA"), 3));
    Ventana v;
    v.Imprimir(dado);
    QVERIFY2(v.mensajes.isEmpty(), qPrintable(v.mensajes.join('\n')));
    QVERIFY(v.Vista());
    QCOMPARE(v.Vista()->Listado().Filas(), 3);
    const QString texto = v.TextoVista(carpeta);
    QVERIFY(texto.contains(QStringLiteral("Archivo: ") + dado.trimmed()));
    QVERIFY(texto.contains(Filas(QStringLiteral("PROPIA"), 3).last()));
    QVERIFY(!texto.contains(QStringLiteral("AJENA")));
}

// The operator points at a template elsewhere: the listing comes from it, and
// nothing is copied into the program folder.
void PruebaImprimirListado::plantillaAusenteElegida() {
    CarpetaPrueba carpeta;
    RegistrarOrigen();
    GuardarFilas(carpeta, QStringLiteral("COB.txt"), Filas(QStringLiteral("FILA"), 2));
    QTemporaryDir otra;
    const QString elegida = otra.filePath(QStringLiteral("Listado.rpt"));
    QVERIFY(QFile::rename(carpeta.Archivo(QStringLiteral("Cobranzia.rpt")), elegida));
    Ventana v;
    v.respuestas << elegida;
    EstablecerPuntero(PunteroReloj);
    v.Imprimir(QStringLiteral("COB.txt"));
    QCOMPARE(v.dialogos.size(), 1);
    const Ventana::Dialogo& d = v.dialogos.first();
    QCOMPARE(d.defaultExt, QStringLiteral(".rpt"));
    QCOMPARE(d.cancelError, false);
    QCOMPARE(d.initDir, carpeta.Ruta());
    QCOMPARE(d.flags, 524292);
    QCOMPARE(d.fileName, QStringLiteral("Cobranzia.rpt"));
    QCOMPARE(d.filter, QStringLiteral("Reportes|*.rpt"));
    QCOMPARE(d.puntero, PunteroPredeterminado);
    QVERIFY(v.mensajes.isEmpty());
    QVERIFY(v.Vista());
    QCOMPARE(v.rpt->ReportFileName(), elegida);
    QVERIFY(v.TextoVista(carpeta).contains(QStringLiteral("FILA 0002")));
    QVERIFY(!QFile::exists(carpeta.Archivo(QStringLiteral("Cobranzia.rpt"))));
    QCOMPARE(PunteroActual(), PunteroPredeterminado);

    // The next listing looks in the program folder again.
    v.Imprimir(QStringLiteral("COB.txt"));
    QCOMPARE(v.dialogos.size(), 2);
}

void PruebaImprimirListado::plantillaAusenteCancelada_data() {
    QTest::addColumn<QString>("respuesta");
    QTest::newRow("cancelado") << QString();
    QTest::newRow("no existe") << QStringLiteral("/no/existe/Cobranzia.rpt");
    QTest::newRow("carpeta") << QDir::tempPath();
}

// The operator gives up: no listing and no message.
void PruebaImprimirListado::plantillaAusenteCancelada() {
    QFETCH(QString, respuesta);
    CarpetaPrueba carpeta;
    RegistrarOrigen();
    QFile::remove(carpeta.Archivo(QStringLiteral("Cobranzia.rpt")));
    // A cancelled dialog leaves the proposed name, looked for in the current folder.
    QTemporaryDir actual;
    const QString antes = QDir::currentPath();
    QDir::setCurrent(actual.path());
    Ventana v;
    v.respuestas << respuesta;
    v.Imprimir(QStringLiteral("COB.txt"));
    QDir::setCurrent(antes);
    QCOMPARE(v.dialogos.size(), 1);
    QVERIFY(v.mensajes.isEmpty());
    QVERIFY(!v.Vista());
    QCOMPARE(PunteroActual(), PunteroPredeterminado);
}

// The proposed name left by a cancelled dialog names a template in the
// current folder: the listing comes from it.
void PruebaImprimirListado::canceladaConPlantillaEnCarpetaActual() {
    CarpetaPrueba carpeta;
    RegistrarOrigen();
    GuardarFilas(carpeta, QStringLiteral("COB.txt"), Filas(QStringLiteral("FILA"), 2));
    QTemporaryDir actual;
    QVERIFY(QFile::rename(carpeta.Archivo(QStringLiteral("Cobranzia.rpt")),
                          actual.filePath(QStringLiteral("Cobranzia.rpt"))));
    const QString antes = QDir::currentPath();
    QDir::setCurrent(actual.path());
    Ventana v;
    v.Imprimir(QStringLiteral("COB.txt"));
    QDir::setCurrent(antes);
    QCOMPARE(v.dialogos.size(), 1);
    QVERIFY(v.mensajes.isEmpty());
    QVERIFY(v.Vista());
    QCOMPARE(v.rpt->ReportFileName(), QStringLiteral("Cobranzia.rpt"));
}

// The chosen file is no template: its error is the one message.
void PruebaImprimirListado::plantillaElegidaNoValida() {
    CarpetaPrueba carpeta;
    RegistrarOrigen();
    QFile::remove(carpeta.Archivo(QStringLiteral("Cobranzia.rpt")));
    Ventana v;
    v.respuestas << QStringLiteral(COBRANZIA_DATOS_PRUEBA "/texto.rpt");
    v.Imprimir(QStringLiteral("COB.txt"));
    QCOMPARE(v.dialogos.size(), 1);
    QCOMPARE(v.mensajes.size(), 1);
    QVERIFY(v.mensajes.first().contains(QStringLiteral("no es una plantilla de reporte válida")));
    QCOMPARE(v.punteroEnMensaje, PunteroPredeterminado);
    QVERIFY(!v.Vista());
}

void PruebaImprimirListado::otroErrorUnMensaje_data() {
    QTest::addColumn<QString>("plantilla"); // written over the shipped one
    QTest::addColumn<QString>("sql");       // run on the database first
    QTest::addColumn<QString>("texto");
    QTest::newRow("plantilla truncada") << "truncada.rpt"
                                        << ""
                                        << "no es JSON válido";
    QTest::newRow("plantilla vacía") << "vacia.rpt"
                                     << ""
                                     << "está vacío";
    QTest::newRow("tabla desconocida") << "tabla_desconocida.rpt"
                                       << ""
                                       << "La tabla «Cobros»";
    QTest::newRow("campo desconocido") << "campo_desconocido.rpt"
                                       << ""
                                       << "«dao.t_importe»";
    QTest::newRow("sin tabla Datos") << ""
                                     << "DROP TABLE Datos"
                                     << "La tabla «Datos» no existe";
}

void PruebaImprimirListado::otroErrorUnMensaje() {
    QFETCH(QString, plantilla);
    QFETCH(QString, sql);
    QFETCH(QString, texto);
    CarpetaPrueba carpeta;
    RegistrarOrigen();
    if (!plantilla.isEmpty()) {
        QFile::remove(carpeta.Archivo(QStringLiteral("Cobranzia.rpt")));
        QVERIFY(QFile::copy(QStringLiteral(COBRANZIA_DATOS_PRUEBA "/") + plantilla,
                            carpeta.Archivo(QStringLiteral("Cobranzia.rpt"))));
    }
    if (!sql.isEmpty())
        EjecutarSql(carpeta, sql);
    Ventana v;
    v.Imprimir(QStringLiteral("COB.txt"));
    QVERIFY(v.dialogos.isEmpty());
    QCOMPARE(v.mensajes.size(), 1);
    QVERIFY2(v.mensajes.first().contains(texto), qPrintable(v.mensajes.first()));
    QCOMPARE(v.punteroEnMensaje, PunteroPredeterminado);
    QCOMPARE(PunteroActual(), PunteroPredeterminado);
    QVERIFY(!v.Vista());
}

// Closing the main window takes its previews with it, so the program can end.
void PruebaImprimirListado::mismoArchivoReemplazaSuVista() {
    CarpetaPrueba carpeta;
    RegistrarOrigen();
    GuardarFilas(carpeta, QStringLiteral("COB1.txt"), Filas(QStringLiteral("PRIMERA"), 300));
    GuardarFilas(carpeta, QStringLiteral("COB2.txt"), Filas(QStringLiteral("OTRA"), 5));
    Ventana v;
    v.Imprimir(QStringLiteral("COB1.txt"));
    v.Imprimir(QStringLiteral("COB2.txt"));
    QPointer<VistaPrevia> primera = v.rpt->Vistas().constFirst();
    // The file is run again with fewer rows: its old listing must not stay open.
    EjecutarSql(carpeta, QStringLiteral("DELETE FROM Datos WHERE t_archivo = 'COB1.txt'"));
    GuardarFilas(carpeta, QStringLiteral("COB1.txt"), Filas(QStringLiteral("SEGUNDA"), 3));
    v.Imprimir(QStringLiteral("COB1.txt"));
    QTRY_VERIFY(primera.isNull());
    QCOMPARE(v.rpt->Vistas().size(), 2);
    QCOMPARE(v.Vista()->Listado().Filas(), 3);
    QCOMPARE(v.rpt->Vistas().constFirst()->Listado().Filas(), 5);
}

void PruebaImprimirListado::vistaSeCierraConLaVentana() {
    CarpetaPrueba carpeta;
    RegistrarOrigen();
    auto v = std::make_unique<Ventana>();
    v->ventana->show();
    v->Imprimir(QStringLiteral("COB.txt"));
    v->Imprimir(QStringLiteral("COB.txt"));
    QCOMPARE(v->rpt->Vistas().size(), 2);
    QPointer<VistaPrevia> primera = v->rpt->Vistas().first();
    QPointer<VistaPrevia> segunda = v->rpt->Vistas().last();
    v.reset();
    QVERIFY(!primera);
    QVERIFY(!segunda);
    QVERIFY(QApplication::topLevelWidgets().isEmpty() ||
            std::none_of(QApplication::topLevelWidgets().begin(),
                         QApplication::topLevelWidgets().end(),
                         [](QWidget* w) { return w->isVisible(); }));
}

// With a preview open, closing the main window ends the event loop.
void PruebaImprimirListado::programaTerminaConLaVentana() {
    CarpetaPrueba carpeta;
    RegistrarOrigen();
    Ventana v;
    v.ventana->setAttribute(Qt::WA_DeleteOnClose);
    v.ventana->show();
    v.Imprimir(QStringLiteral("COB.txt"));
    QVERIFY(v.Vista() && v.Vista()->isVisible());
    QTimer::singleShot(0, v.ventana.data(), &QWidget::close);
    QTimer::singleShot(10000, qApp, [] { QCoreApplication::exit(1); });
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(!v.ventana);
}

QTEST_MAIN(PruebaImprimirListado)
#include "tst_imprimirlistado.moc"
