// The main window, driven as an operator drives it: the accept rule, Enter and
// Esc, the browse dialog and the remembered folder, and the accept button's run
// with its listing, its recovery dialog and its messages.

#include "app/frmPrincipal.h"
#include "dsn/CrearDSNListado.h"
#include "platform/gui/Aplicacion.h"
#include "platform/gui/ControlReporteVentana.h"
#include "platform/gui/DialogoComun.h"
#include "platform/gui/LienzoPaginas.h"
#include "platform/gui/ProgresoVentana.h"
#include "platform/gui/VistaPrevia.h"
#include "platform/proceso/ArchivosPrograma.h"
#include "run/CorridaControl.h"
#include "run/Listado.h"
#include "run/Programa.h"
#include "tests/comun/Entorno.h"
#include "util/Ini.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QScopeGuard>
#include <QSettings>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <cmath>
#include <optional>

// Qt tells a screen reader nothing until one switches its accessibility on,
// which no reader does on the offscreen platform, and QAccessible::setActive
// only tells its observers: a test switches it on as a reader's bridge does,
// through Qt's private platform classes.
struct QPlatformAccessibility {
    void setActive(bool activa);
};
struct QPlatformIntegration {
    QPlatformAccessibility* accessibility() const;
};
struct QGuiApplicationPrivate {
    static QPlatformIntegration* platform_integration;
};

namespace {
// What the browse and template dialogs were given, and what they answer next.
struct Dialogos {
    Dialogos() {
        DialogoComun::EstablecerRespuesta([this](const DialogoComun& d) {
            vistos << QStringList{d.InitDir, d.FileName, d.Filter, QString::number(d.Flags)};
            return respuestas.isEmpty() ? QString() : respuestas.takeFirst();
        });
    }
    ~Dialogos() { DialogoComun::EstablecerRespuesta({}); }
    QList<QStringList> vistos;
    QStringList respuestas;
};

// Closes the next modal dialog, as an operator would, once it has told what
// it shows: the file a file dialog suggests, or its title (and a message
// box's text on the next line). A file dialog
// given a `respuesta` takes that name and Return; otherwise Esc closes it.
void CerrarDialogo(QString& visto, const QString& respuesta = QString()) {
    auto* reloj = new QTimer(qApp);
    QObject::connect(reloj, &QTimer::timeout, [reloj, &visto, respuesta] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->focusWidget())
            return;
        const auto* archivo = qobject_cast<QFileDialog*>(modal);
        auto* nombre = modal->findChild<QLineEdit*>("fileNameEdit");
        const auto* caja = qobject_cast<QMessageBox*>(modal);
        visto = archivo ? archivo->directory().filePath(nombre->text())
                        : modal->windowTitle() + (caja ? u'\n' + caja->text() : QString());
        if (archivo && !respuesta.isEmpty()) {
            nombre->setText(respuesta);
            QTest::keyClick(nombre, Qt::Key_Return);
        } else {
            QTest::keyClick(modal->focusWidget(), Qt::Key_Escape);
        }
        reloj->deleteLater();
    });
    reloj->start(100);
}

// A colour's relative luminance, plus the flare that contrast ratios add.
double Luz(QRgb c) {
    const auto lineal = [](int v) {
        return v <= 10 ? v / 255.0 / 12.92 : std::pow((v / 255.0 + 0.055) / 1.055, 2.4);
    };
    return 0.05 + 0.2126 * lineal(qRed(c)) + 0.7152 * lineal(qGreen(c)) + 0.0722 * lineal(qBlue(c));
}

// The contrast, pixel against pixel in `zona`, that the `parte` of the pixels
// two pictures differ in reaches at least; without it, the greatest.
double MayorContraste(const QImage& a, const QImage& b, const QRect& zona, double parte = 0) {
    QList<double> contrastes{1};
    for (int y = zona.top(); y <= zona.bottom(); ++y)
        for (int x = zona.left(); x <= zona.right(); ++x) {
            const double la = Luz(a.pixel(x, y)), lb = Luz(b.pixel(x, y));
            if (std::max(la, lb) / std::min(la, lb) > 1.1)
                contrastes << std::max(la, lb) / std::min(la, lb);
        }
    std::sort(contrastes.begin(), contrastes.end(), std::greater<>());
    return contrastes[qsizetype(parte * double(contrastes.size() - 1))];
}

// How much a control's pixels change when it takes the focus: the focus's
// contrast against what it covers.
double ContrasteFoco(QWidget* control) {
    QWidget* otro = control->nextInFocusChain();
    while (otro->focusPolicy() == Qt::NoFocus || !otro->isVisible())
        otro = otro->nextInFocusChain();
    otro->setFocus();
    const QImage sin = control->grab().toImage();
    control->setFocus();
    return MayorContraste(sin, control->grab().toImage(), sin.rect());
}

// Makes `ventana` the active window, as a click on it would.
void Activar(QWidget* ventana) {
    ventana->activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), ventana);
}

QList<VistaPrevia*> Vistas() {
    QList<VistaPrevia*> vistas;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* v = qobject_cast<VistaPrevia*>(w); v && v->isVisible())
            vistas << v;
    return vistas;
}
} // namespace

class PruebaVentana : public QObject {
    Q_OBJECT
    std::unique_ptr<CarpetaPrueba> carpeta;
    std::unique_ptr<Programa> programa;
    std::unique_ptr<RegistroMensajes> mensajes;
    QPointer<frmPrincipal> ventana;

    QLineEdit* Ruta() const { return ventana->findChild<QLineEdit*>("txtRutaArchivo"); }
    QAbstractButton* Boton(const char* nombre) const {
        return ventana->findChild<QAbstractButton*>(QLatin1String(nombre));
    }
    QWidget* Control(const QString& nombre) const { return ventana->findChild<QWidget*>(nombre); }
    // Ctrl+H from the window: the history, the focus in its filter.
    void AbrirHistorial() {
        Activar(ventana);
        QTest::keyClick(ventana, Qt::Key_H, Qt::ControlModifier);
        QTRY_COMPARE(QApplication::focusWidget(), Control("txtArchivo"));
    }
    // The preview of `filas` rows of `archivo` with `codigo`, as the run opens it.
    VistaPrevia* AbrirVista(ControlReporteVentana& rpt, const QString& archivo,
                            const QString& codigo, int filas) {
        ConsultarBase(carpeta->Base(),
                      QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 "
                                     "FROM n WHERE i + 1 < %1) INSERT INTO Datos (t_datos, "
                                     "t_archivo) SELECT 'FILA ' || i, $1 FROM n")
                          .arg(filas),
                      {archivo});
        ConsultarBase(carpeta->Base(),
                      "INSERT INTO Corridas (t_archivo, corrida) VALUES ($1, 'r1')", {archivo});
        PrepararListado(rpt, *programa, archivo, codigo, "r1", 0);
        rpt.SetWindowState(0);
        return rpt.PrintReport() == 1 ? Vistas().constFirst() : nullptr;
    }

protected:
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private slots:
    void initTestCase() { PrepararEscritorio(); }
    void init();
    void cleanup();
    void reglaAceptar_data();
    void reglaAceptar();
    void teclas_data();
    void teclas();
    void seleccionAlEnfocar();
    void buscar();
    void aceptarMuestraElListado();
    void corridaFallida();
    void cancelarLaCorrida_data();
    void cancelarLaCorrida();
    void plantillaAusente_data();
    void plantillaAusente();
    void textosDeQtEnEspanol();
    void iconosSegunPaleta_data();
    void iconosSegunPaleta();
    void accesible_data();
    void accesible();
    void codigoComoTexto();
    void soltar_data();
    void soltar();
    void acercaDe();
    void soloTeclado();
    void historial();
};

void PruebaVentana::init() {
    carpeta = std::make_unique<CarpetaPrueba>();
    programa = carpeta->NuevoPrograma();
    mensajes = std::make_unique<RegistroMensajes>();
    QString motivo;
    QVERIFY2(CrearDSNListado(carpeta->Ruta(), motivo), qPrintable(motivo));
    ventana = new frmPrincipal(*programa);
    ventana->show();
    ventana->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(ventana));
}

void PruebaVentana::cleanup() {
    for (VistaPrevia* v : Vistas())
        delete v;
    delete ventana.data();
    mensajes.reset();
    programa.reset();
    carpeta.reset();
}

void PruebaVentana::reglaAceptar_data() {
    QTest::addColumn<QString>("ruta");
    QTest::addColumn<bool>("habilitado");
    QTest::newRow("archivo") << "<archivo>" << true;
    QTest::newRow("carpeta") << "<carpeta>" << false;
    QTest::newRow("inexistente") << "<carpeta>/no.txt" << false;
    QTest::newRow("enlace roto") << "<roto>" << false;
    QTest::newRow("con espacio final") << "<archivo> " << false;
    QTest::newRow("ruta de 4000 caracteres") << "/" + QString(4000, u'a') << false;
}

void PruebaVentana::reglaAceptar() {
    QFETCH(QString, ruta);
    QFETCH(bool, habilitado);
    // At the start: no path, Aceptar disabled, the focus on Buscar archivo, a fixed size.
    QVERIFY(Ruta()->text().isEmpty() && !Boton("cmdAceptar")->isEnabled() &&
            ventana->minimumSize() == ventana->maximumSize() && programa->gSistemaArchivos());
    QCOMPARE(QApplication::focusWidget(), Control("cmdBuscarArchivo"));
    QCOMPARE(ventana->windowTitle(), "Generación de código de control");
    const QString archivo = carpeta->Escribir("deudas.txt", "D1\n");
    const QString roto = carpeta->Archivo("roto");
    QVERIFY(QFile::link(carpeta->Archivo("nada"), roto));
    ruta.replace("<archivo>", archivo)
        .replace("<carpeta>", carpeta->Ruta())
        .replace("<roto>", roto);
    Ruta()->setText(archivo);
    QVERIFY(Boton("cmdAceptar")->isEnabled());
    Ruta()->setText(ruta);
    QCOMPARE(Boton("cmdAceptar")->isEnabled(), habilitado);
    // Typing is a change too.
    QTest::keyClick(Ruta(), Qt::Key_End);
    QTest::keyClick(Ruta(), Qt::Key_X);
    QVERIFY(!Boton("cmdAceptar")->isEnabled());
}

void PruebaVentana::teclas_data() {
    QTest::addColumn<QString>("desde");
    QTest::addColumn<bool>("aceptarHabilitado");
    QTest::addColumn<int>("tecla");
    QTest::addColumn<QString>("hacia"); // empty: the window closes
    const int enter = Qt::Key_Return, esc = Qt::Key_Escape;
    QTest::newRow("Enter en la ruta, Aceptar habilitado")
        << "txtRutaArchivo" << true << enter << "cmdAceptar";
    QTest::newRow("Enter en la ruta, Aceptar deshabilitado")
        << "txtRutaArchivo" << false << enter << "cmdCancelar";
    QTest::newRow("Enter en buscar") << "cmdBuscarArchivo" << false << enter << "txtRutaArchivo";
    QTest::newRow("Enter en cancelar") << "cmdCancelar" << true << enter << "cmdBuscarArchivo";
    QTest::newRow("Esc en buscar") << "cmdBuscarArchivo" << false << esc << "";
    QTest::newRow("Esc en la ruta") << "txtRutaArchivo" << false << esc << "";
    QTest::newRow("Alt+C") << "txtRutaArchivo" << false << (Qt::ALT | Qt::Key_C).toCombined() << "";
}

// Enter moves the focus on, as Tab would; Esc and Alt+C close the window and
// release the file-system object and the connection.
void PruebaVentana::teclas() {
    QFETCH(QString, desde);
    QFETCH(bool, aceptarHabilitado);
    QFETCH(int, tecla);
    QFETCH(QString, hacia);
    const QString texto =
        aceptarHabilitado ? carpeta->Escribir("deudas.txt", "D1\n") : QStringLiteral("/no/existe");
    Ruta()->setText(texto);
    QWidget* origen = Control(desde);
    origen->setFocus();
    QTest::keyClick(origen, Qt::Key(tecla & ~Qt::KeyboardModifierMask),
                    Qt::KeyboardModifiers(tecla & Qt::KeyboardModifierMask));
    if (hacia.isEmpty()) {
        QTRY_VERIFY(!ventana);
        QVERIFY(programa->gSistemaArchivos() == nullptr && programa->gConexion() == nullptr);
        return;
    }
    // The Tab is queued behind the Enter, not handled inside it.
    QCOMPARE(QApplication::focusWidget(), origen);
    QTRY_COMPARE(QApplication::focusWidget(), Control(hacia));
    QCOMPARE(Ruta()->text(), texto);
    QVERIFY(ventana);
}

void PruebaVentana::seleccionAlEnfocar() {
    const QString texto = "/home/ana/deudas.txt";
    Ruta()->setText(texto);
    QTest::keyClick(Control("cmdBuscarArchivo"), Qt::Key_Tab);
    QTRY_COMPARE(Ruta()->selectedText(), texto);
    // A click on a picture button leaves the focus where it was.
    QTest::mouseClick(Boton("cmdAceptar"), Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), Ruta());
    Control("cmdCancelar")->setFocus();
    QTest::mouseClick(Ruta(), Qt::LeftButton, {}, QPoint(20, Ruta()->height() / 2));
    QCOMPARE(Ruta()->selectedText(), texto);
}

void PruebaVentana::buscar() {
    Dialogos dialogos;
    QVERIFY(QDir(carpeta->Ruta()).mkpath("débitos ñ"));
    const QString archivo = carpeta->Escribir("débitos ñ/lote.TXT", "D1\n");
    const QString ini = programa->ArchivoIni();
    const QString documentos = QDir::home().filePath("Documents");
    QVERIFY(QDir().mkpath(documentos));
    // Cancelled at first use: nothing changes, nothing is written.
    QTest::mouseClick(Boton("cmdBuscarArchivo"), Qt::LeftButton);
    QVERIFY(!QFile::exists(ini));
    dialogos.respuestas << archivo << QString();
    QTest::mouseClick(Boton("cmdBuscarArchivo"), Qt::LeftButton);
    QCOMPARE(Ruta()->text(), archivo);
    QVERIFY(Boton("cmdAceptar")->isEnabled());
    QCOMPARE(LeerIni(ini, "General", "UltRuta", QString()), carpeta->Archivo("débitos ñ"));
    // The next dialog opens there, with no name left from the last choice; a
    // cancel leaves the path box as it is.
    QTest::mouseClick(Boton("cmdBuscarArchivo"), Qt::LeftButton);
    QCOMPARE(Ruta()->text(), archivo);
    const QString filtro = "Archivos de texto (*.txt)|*.txt|Todos los archivos (*.*)|*.*";
    QCOMPARE(dialogos.vistos,
             (QList<QStringList>{{documentos, "", filtro, "530432"},
                                 {documentos, "", filtro, "530432"},
                                 {carpeta->Archivo("débitos ñ"), "", filtro, "530432"}}));
}

void PruebaVentana::aceptarMuestraElListado() {
    GuardarFilas(carpeta->Base(), "otro.txt", {"AJENA"});
    Ruta()->setText(carpeta->Escribir("lote 1.txt", "H1\r\nD1 UNO\r\nD2 DOS\r\nT\r\n"));
    QTest::mouseClick(Boton("cmdAceptar"), Qt::LeftButton);
    QCOMPARE(mensajes->Textos(), QStringList());
    QCOMPARE(Vistas().size(), 1);
    VistaPrevia* vista = Vistas().constFirst();
    QCOMPARE(vista->windowTitle(), "Listado de Cobranzia");
    QVERIFY(vista->isMaximized());
    const QString pdf = carpeta->Archivo("vista.pdf");
    QVERIFY(vista->GuardarPdf(pdf));
    const QStringList lineas = LineasPdf(pdf);
    for (const QString esperado : {"Archivo: lote 1.txt", "D1 UNO", "D2 DOS", "Filas listadas: 2"})
        QVERIFY2(lineas.contains(esperado), qPrintable(lineas.join(u'\n')));
    QVERIFY(!lineas.join(u'\n').contains("AJENA"));
    // The same file again: its new listing takes the old one's place, and a
    // closed listing gives back its connection to the database.
    const qsizetype conUna = QDir("/proc/self/fd").count();
    QTest::mouseClick(Boton("cmdAceptar"), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(Vistas().size(), 1);
    QCOMPARE(QDir("/proc/self/fd").count(), conUna);
    // Another run of the name replaces the rows: the open preview says so
    // rather than show the other run's rows under this code.
    QVERIFY(QDir(carpeta->Ruta()).mkpath("otra"));
    EjecutarCorrida(*programa, carpeta->Escribir("otra/lote 1.txt", "D9 NUEVA\r\n"));
    QVERIFY(!Vistas().constFirst()->GuardarPdf(pdf));
    QVERIFY2(mensajes->Textos().join(u'\n').contains("reemplazó"),
             qPrintable(mensajes->Textos().join(u'\n')));
    // The preview goes with the window.
    ventana->close();
    QTRY_COMPARE(Vistas().size(), 0);
}

void PruebaVentana::corridaFallida() {
    const QString ruta = carpeta->Escribir("lote.txt", "D1\n");
    Ruta()->setText(ruta);
    QVERIFY(QFile::remove(ruta));
    QTest::mouseClick(Boton("cmdAceptar"), Qt::LeftButton);
    QCOMPARE(mensajes->Textos(),
             QStringList{QStringLiteral("Error 53 (No se encontró el archivo: %1) in procedure "
                                        "cmdAceptar_Click of Formulario frmPrincipal")
                             .arg(ruta)});
    QCOMPARE(mensajes->Iconos(), QList<IconoMensaje>{IconoMensaje::Ninguno});
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    QVERIFY(Vistas().isEmpty());
}

void PruebaVentana::cancelarLaCorrida_data() {
    QTest::addColumn<QString>("como");
    QTest::addColumn<bool>("cierra");
    QTest::newRow("Cancelar del diálogo") << "botón" << false;
    QTest::newRow("Esc en el diálogo") << "Esc" << false;
    QTest::newRow("Cancelar de la ventana") << "ventana" << true;
}

// A long run shows its progress, the window painting meanwhile; cancelled, it
// leaves the rows as they were and no listing. The window's own Cancelar
// cancels the run before it closes the window; its browse button does nothing
// meanwhile.
void PruebaVentana::cancelarLaCorrida() {
    QFETCH(QString, como);
    QFETCH(bool, cierra);
    Dialogos dialogos;
    GuardarFilas(carpeta->Base(), "largo.txt", {"VIEJA"});
    QByteArray texto;
    for (int i = 0; i < 800000; ++i)
        texto += "D" + QByteArray::number(i).rightJustified(9, '0') + "\r\n";
    Ruta()->setText(carpeta->Escribir("largo.txt", texto));
    // Once the dialog is shown, the window is asked to paint; once it has, the
    // run is cancelled.
    bool visto = false;
    bool pintada = false;
    QTimer vigia;
    connect(&vigia, &QTimer::timeout, this, [&] {
        // Shown, and past the database's preparation: lines are being read.
        auto* dialogo = ventana->findChild<QProgressDialog*>();
        if (!dialogo || !dialogo->isVisible() || !dialogo->labelText().startsWith("Leídas"))
            return;
        if (!visto) {
            visto = true;
            QCOMPARE(dialogo->windowTitle(), ventana->windowTitle());
            ventana->setProperty("pintada", 0);
        }
        pintada = ventana->property("pintada").toInt() > 0;
        if (!pintada) {
            ventana->update();
            return;
        }
        vigia.stop();
        if (como == u"ventana") {
            Boton("cmdBuscarArchivo")->click();
            Boton("cmdCancelar")->click();
        } else if (como == u"botón") {
            dialogo->findChild<QPushButton*>()->click();
        } else {
            QTest::keyClick(dialogo, Qt::Key_Escape);
        }
    });
    ventana->installEventFilter(this);
    vigia.start(20);
    QTest::mouseClick(Boton("cmdAceptar"), Qt::LeftButton);
    vigia.stop();
    QVERIFY(visto && pintada);
    QCOMPARE(mensajes->Textos(), QStringList{TextosCorrida::Cancelada});
    QVERIFY(Vistas().isEmpty());
    QVERIFY(dialogos.vistos.isEmpty());
    QCOMPARE(FilasGuardadas(carpeta->Base(), "largo.txt"), QStringList{"VIEJA"});
    if (cierra)
        QTRY_VERIFY(!ventana);
    else
        QVERIFY(ventana && ventana->isVisible());
}

bool PruebaVentana::eventFilter(QObject* objeto, QEvent* evento) {
    if (evento->type() == QEvent::Paint)
        objeto->setProperty("pintada", objeto->property("pintada").toInt() + 1);
    return false;
}

void PruebaVentana::plantillaAusente_data() {
    QTest::addColumn<QString>("respuesta");
    QTest::addColumn<int>("vistas");
    QTest::addColumn<QString>("mensaje");
    QTest::newRow("elegida en otra carpeta") << "<buena>" << 1 << "";
    QTest::newRow("cancelada") << "" << 0 << "";
    QTest::newRow("elegida no válida") << "<mala>" << 0 << "no es una plantilla de reporte válida";
}

// The template asked for through the dialog, retried with it; any other
// failure in one message box.
void PruebaVentana::plantillaAusente() {
    QFETCH(QString, respuesta);
    QFETCH(int, vistas);
    QFETCH(QString, mensaje);
    Dialogos dialogos;
    QVERIFY(QDir(carpeta->Ruta()).mkpath("otra"));
    const QString buena = carpeta->Archivo("otra/mía.rpt");
    QVERIFY(QFile::rename(programa->PlantillaListado(), buena));
    dialogos.respuestas
        << respuesta.replace("<buena>", buena).replace("<mala>", DatoPrueba("texto.rpt"));
    Ruta()->setText(carpeta->Escribir("lote.txt", "D1\n"));
    QTest::mouseClick(Boton("cmdAceptar"), Qt::LeftButton);
    QCOMPARE(dialogos.vistos,
             (QList<QStringList>{{carpeta->Ruta(), "Cobranzia.rpt", "Reportes|*.rpt", "524292"}}));
    QCOMPARE(Vistas().size(), vistas);
    QCOMPARE(mensajes->Textos().size(), mensaje.isEmpty() ? 0 : 1);
    // The run went through: the message says that its rows and code stand.
    if (!mensaje.isEmpty())
        QVERIFY2(mensajes->Textos().constFirst().contains(mensaje) &&
                     mensajes->Textos().constFirst().contains("se guardaron"),
                 qPrintable(mensajes->Textos().constFirst()));
    QVERIFY(!QFile::exists(programa->PlantillaListado()));
}

// Qt's own dialogs speak Spanish, whatever the locale.
void PruebaVentana::textosDeQtEnEspanol() {
    QMessageBox caja(QMessageBox::NoIcon, "x", "y", QMessageBox::Ok | QMessageBox::Cancel);
    QCOMPARE(caja.button(QMessageBox::Ok)->text().remove(u'&'), "Aceptar");
    QFileDialog dialogo;
    dialogo.setOption(QFileDialog::DontUseNativeDialog);
    const auto* botones = dialogo.findChild<QDialogButtonBox*>();
    QCOMPARE(botones->button(QDialogButtonBox::Open)->text().remove(u'&'), "Abrir");
    QCOMPARE(botones->button(QDialogButtonBox::Cancel)->text().remove(u'&'), "Cancelar");
    QPrinter impresora;
    QPrintDialog impresion(&impresora);
    QStringList textos;
    for (const QAbstractButton* b : impresion.findChildren<QAbstractButton*>())
        textos << b->text();
    for (const QWidget* w : impresion.findChildren<QWidget*>())
        textos << w->toolTip() << w->property("title").toString();
    for (const char* ingles : {"Pages", "Double Sided Printing", "Off", "Long side binding"})
        QVERIFY2(!textos.contains(QLatin1String(ingles)), ingles);
    QVERIFY(textos.contains("Encuadernación por el lado corto") && textos.contains("Páginas"));
    QVERIFY(!textos.join(u'\n').contains("Specify pages"));
}

void PruebaVentana::iconosSegunPaleta_data() {
    QTest::addColumn<QString>("tema");
    QTest::addColumn<QString>("esquema"); // qt6ct's colour scheme, or KDE's Breeze Dark
    QTest::addColumn<bool>("alAbrir");
    QTest::addColumn<int>("ancho");
    for (const char* tema : {"tema", "Adwaita"}) {
        QTest::addRow("%s, simple (clara), 1280 px", tema) << tema << "simple" << true << 1280;
        QTest::addRow("%s, darker, 1280 px a escala 2", tema) << tema << "darker" << true << 640;
        QTest::addRow("%s, darker después", tema) << tema << "darker" << false << 1280;
        for (const char* esquema : {"dusk", "waves", "Breeze oscuro"})
            QTest::addRow("%s, %s", tema, esquema) << tema << esquema << true << 1280;
    }
}

// Every action of the preview's bar is in sight, with a tip that names its key,
// and its icon stands out from the bar (3:1 at least), with the program's
// icons or the desktop's, in a light or a dark palette, also one that changes
// once the preview is open; so do the main window's texts.
void PruebaVentana::iconosSegunPaleta() {
    QFETCH(QString, tema);
    QFETCH(QString, esquema);
    QFETCH(bool, alAbrir);
    QFETCH(int, ancho);
    const auto restaurar = qScopeGuard([antes = QApplication::palette(), t = QIcon::themeName()] {
        QApplication::setPalette(antes);
        QIcon::setThemeName(t);
    });
    QIcon::setThemeName(tema);
    // KDE's Breeze Dark (buttons, window, its text, views), or one of qt6ct's
    // schemes read as qt6ct reads it, a colour a role.
    QPalette paleta(QColor(0x31, 0x36, 0x3b), QColor(0x2a, 0x2e, 0x32));
    paleta.setColor(QPalette::WindowText, QColor(0xfc, 0xfc, 0xfc));
    paleta.setColor(QPalette::Base, QColor(0x1b, 0x1e, 0x20));
    const QSettings qt6ct("/usr/share/qt6ct/colors/" + esquema + ".conf", QSettings::IniFormat);
    const QStringList colores = qt6ct.value("ColorScheme/active_colors").toStringList();
    QVERIFY(colores.size() == QPalette::NColorRoles || esquema == "Breeze oscuro");
    for (int rol = 0; rol < colores.size(); ++rol)
        paleta.setColor(QPalette::ColorRole(rol), QColor(colores[rol].trimmed()));
    if (alAbrir)
        QApplication::setPalette(paleta);
    ControlReporteVentana rpt(ventana);
    AbrirVista(rpt, "a.txt", QString(32, u'0'), 1)->resize(ancho, 700);
    auto* barra = Vistas().constFirst()->findChild<QToolBar*>("barra");
    if (!alAbrir)
        QApplication::setPalette(paleta);
    QTest::mouseMove(Vistas().constFirst()->Lienzo()); // no button under the pointer
    for (QWidget* w : {static_cast<QWidget*>(barra), static_cast<QWidget*>(ventana)})
        QTRY_COMPARE(w->palette().color(QPalette::Window),
                     QApplication::palette().color(QPalette::Window));
    QTRY_VERIFY(!barra->findChild<QToolButton*>("qt_toolbar_ext_button")->isVisible());
    const QImage imagen = barra->grab().toImage();
    int acciones = 0;
    for (QAction* a : barra->actions()) {
        if (a->objectName().isEmpty())
            continue;
        ++acciones;
        QVERIFY2(barra->widgetForAction(a)->isVisible() && !a->shortcut().isEmpty() &&
                     a->toolTip().contains(a->shortcut().toString(QKeySequence::NativeText)),
                 qPrintable(a->toolTip()));
        const QRect zona = barra->widgetForAction(a)->geometry();
        QImage fondo(imagen.size(), imagen.format());
        fondo.fill(imagen.pixel(zona.topLeft() + QPoint(1, 1)));
        // The icon's ink, not its paler details or its edges' softening.
        const double contraste = MayorContraste(fondo, imagen, zona, 0.25);
        QVERIFY2(contraste >= 3, qPrintable(a->objectName() + u' ' + QString::number(contraste)));
    }
    QCOMPARE(acciones, 12);
    // The main window's texts over its fixed light artwork stay readable, 4.5:1
    // at least between the pixels they change and what was there before them.
    auto* etiqueta = ventana->findChild<QLabel*>("Label1");
    const QString rotulo = etiqueta->text();
    etiqueta->clear();
    const QImage sin = ventana->grab().toImage();
    Ruta()->setText("/home/ana/deudas.txt");
    etiqueta->setText(rotulo);
    Ruta()->setCursorPosition(0);
    ventana->setFocus();
    for (QWidget* control : {static_cast<QWidget*>(Ruta()), static_cast<QWidget*>(etiqueta)}) {
        const QRect zona =
            QRect(control->mapTo(ventana, QPoint()), control->size()).adjusted(3, 3, -3, -3);
        const double contraste = MayorContraste(sin, ventana->grab().toImage(), zona);
        QVERIFY2(contraste >= 4.5,
                 qPrintable(control->objectName() + u' ' + QString::number(contraste)));
    }
}

void PruebaVentana::accesible_data() {
    QTest::addColumn<QString>("cual");
    for (const char* cual :
         {"principal", "vista previa", "historial", "avance de la corrida", "guardado en PDF"})
        QTest::newRow(cual) << cual;
}

// In every window, each control that takes the focus, each button and each
// progress bar has a name; a label is named by its text; a window is a window
// with a title it has room for. What a screen reader says of the main
// window's and the history's controls; and a control that takes the focus
// shows it, with a contrast of 3:1 at least.
void PruebaVentana::accesible() {
    QFETCH(QString, cual);
    const struct {
        const char *ventana, *control, *nombre;
        QAccessible::Role rol;
    } controles[] = {
        {"principal", "cmdBuscarArchivo", "Buscar archivo", QAccessible::Button},
        {"principal", "txtRutaArchivo", "Archivo de débitos", QAccessible::EditableText},
        {"principal", "Label1", "Archivo", QAccessible::StaticText},
        {"principal", "cmdAceptar", "Aceptar", QAccessible::Button},
        {"principal", "cmdCancelar", "Cancelar", QAccessible::Button},
        {"historial", "lblArchivo", "Archivo:", QAccessible::StaticText},
        {"historial", "txtArchivo", "Filtro por archivo", QAccessible::EditableText},
        {"historial", "grdCorridas", "Corridas", QAccessible::Table},
        {"historial", "cmdVerListado", "Ver listado", QAccessible::Button},
        {"historial", "cmdCopiar", "Copiar", QAccessible::Button},
        // Named by its text, which is empty while the chosen run may be listed.
        {"historial", "lblMotivo", "", QAccessible::StaticText},
        {"historial", "cmdCerrar", "Cerrar", QAccessible::Button},
    };
    ControlReporteVentana rpt(ventana);
    std::optional<ProgresoVentana> progreso;
    QWidget* w = ventana;
    const auto revisar = [&cual](QWidget* v) {
        const QAccessibleInterface* lector = QAccessible::queryAccessibleInterface(v);
        QVERIFY2((lector->role() == QAccessible::Window || lector->role() == QAccessible::Dialog) &&
                     !v->windowTitle().isEmpty() &&
                     lector->text(QAccessible::Name) == v->windowTitle(),
                 qPrintable(cual));
        QVERIFY(v->isVisible() &&
                v->width() > v->fontMetrics().horizontalAdvance(v->windowTitle()) + 100);
        for (QWidget* control : v->findChildren<QWidget*>()) {
            const QString nombre =
                QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name);
            if (auto* etiqueta = qobject_cast<QLabel*>(control))
                QCOMPARE(nombre, etiqueta->text().remove(u'&'));
            else if (control->isVisible() && (control->focusPolicy() != Qt::NoFocus ||
                                              qobject_cast<QAbstractButton*>(control) ||
                                              qobject_cast<QProgressBar*>(control)))
                QVERIFY2(!nombre.trimmed().isEmpty(), control->metaObject()->className());
        }
    };
    Ruta()->setText(carpeta->Escribir("lote.txt", "D1\n"));
    if (cual == "vista previa") {
        w = AbrirVista(rpt, "a.txt", QString(32, u'0'), 200);
    } else if (cual == "historial") {
        EjecutarCorrida(*programa, Ruta()->text());
        AbrirHistorial();
        w = Control("grdCorridas")->window();
    } else if (cual == "avance de la corrida") {
        progreso.emplace(ventana);
        QTRY_VERIFY((progreso->Avanzar(1, 1000, [] { return QStringLiteral("Leídas"); }),
                     w = ventana->findChild<QProgressDialog*>()));
    } else if (cual == "guardado en PDF") {
        // Walked while a long listing is saved, which is then cancelled.
        VistaPrevia* vista = AbrirVista(rpt, "a.txt", QString(32, u'0'), 100000);
        QTimer vigia;
        connect(&vigia, &QTimer::timeout, this, [&] {
            if (auto* d = vista->findChild<QProgressDialog*>(); d && d->isVisible())
                vigia.stop(), revisar(w = d), d->cancel();
        });
        vigia.start(20);
        QVERIFY(!vista->GuardarPdf(carpeta->Archivo("a.pdf")) && w != ventana);
        return;
    }
    revisar(w);
    for (const auto& c : controles) {
        if (cual != QLatin1String(c.ventana))
            continue;
        QWidget* control = w->findChild<QWidget*>(c.control);
        QVERIFY2(control, c.control);
        QAccessibleInterface* lector = QAccessible::queryAccessibleInterface(control);
        QCOMPARE(lector->text(QAccessible::Name), QString::fromUtf8(c.nombre));
        QCOMPARE(lector->role(), c.rol);
        QVERIFY2(!lector->text(QAccessible::Description).isEmpty(), c.control);
        if (control->focusPolicy() != Qt::NoFocus)
            QCOMPARE_GE(ContrasteFoco(control), 3.0);
    }
}

// The run's code as text: in the preview's status bar, on the clipboard from
// the button and from Ctrl+Shift+C, and in what a screen reader finds in the
// page area, which has the focus, shows it, and tells each page change.
void PruebaVentana::codigoComoTexto() {
    const QString codigo = "0123456789ABCDEF0123456789abcdef";
    ControlReporteVentana rpt(ventana);
    VistaPrevia* vista = AbrirVista(rpt, "cobro 1.txt", codigo, 300);
    vista->activateWindow();
    QTRY_COMPARE(QApplication::focusWidget(), vista->Lienzo());
    QAccessibleInterface* lector = QAccessible::queryAccessibleInterface(vista->Lienzo());
    auto* pagina =
        static_cast<QAccessibleTextInterface*>(lector->interface_cast(QAccessible::TextInterface));
    QVERIFY(pagina);
    const auto texto = [pagina] {
        return pagina->text(0, -1);
    };
    QVERIFY(lector->text(QAccessible::Name).contains("cobro 1.txt"));
    QVERIFY(lector->text(QAccessible::Description).contains(codigo));
    for (const QString& linea : QStringList{"Archivo: cobro 1.txt", "Código de control: " + codigo,
                                            "\nFILA 0\n", "Página 1 de 7"})
        QVERIFY2(texto().contains(linea), qPrintable(texto()));
    const auto* etiqueta = vista->findChild<QLabel*>("lblCodigo");
    QVERIFY(etiqueta->text().contains(codigo) &&
            etiqueta->textInteractionFlags().testFlag(Qt::TextSelectableByKeyboard));
    QCOMPARE_GE(ContrasteFoco(vista->Lienzo()), 3.0);
    auto* barra = vista->findChild<QToolBar*>("barra");
    for (const bool teclas : {false, true}) {
        QGuiApplication::clipboard()->clear();
        if (teclas)
            QTest::keyClick(vista->Lienzo(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        else
            QTest::mouseClick(barra->widgetForAction(vista->findChild<QAction*>("edit-copy")),
                              Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(), codigo);
    }
    static QStringList avisos;
    avisos.clear();
    QGuiApplicationPrivate::platform_integration->accessibility()->setActive(true);
    const auto anterior = QAccessible::installUpdateHandler([](QAccessibleEvent* e) {
        if (e->type() == QAccessible::NameChanged || e->type() == QAccessible::TextUpdated)
            avisos << QString::number(e->type()) +
                          e->accessibleInterface()->text(QAccessible::Name);
    });
    const auto restaurar = qScopeGuard([anterior] {
        QAccessible::installUpdateHandler(anterior);
        QGuiApplicationPrivate::platform_integration->accessibility()->setActive(false);
    });
    QTest::keyClick(vista->Lienzo(), Qt::Key_PageDown);
    const QString nombre = lector->text(QAccessible::Name);
    QVERIFY2(nombre.startsWith("Página 2 de 7 "), qPrintable(nombre));
    QVERIFY(avisos.contains(QString::number(QAccessible::NameChanged) + nombre));
    QVERIFY(avisos.contains(QString::number(QAccessible::TextUpdated) + nombre));
    QVERIFY(texto().contains("Página 2 de 7") && !texto().contains("\nFILA 0\n"));
    // A page whose rows a later run replaced says so instead.
    ConsultarBase(carpeta->Base(), "UPDATE Corridas SET corrida = 'r2'");
    ConsultarBase(carpeta->Base(), "DELETE FROM Datos");
    QTest::keyClick(vista->Lienzo(), Qt::Key_End);
    QVERIFY2(texto().contains("una corrida posterior las reemplazó"), qPrintable(texto()));
    auto* caja = vista->findChild<QSpinBox*>();
    caja->setMaximum(51021);
    caja->setValue(51021);
    QCOMPARE(caja->text(), "51.021");
}

void PruebaVentana::soltar_data() {
    QTest::addColumn<QStringList>("nombres"); // a name ending in "/" is a folder
    QTest::addColumn<QString>("mensaje");
    QTest::newRow("un archivo") << QStringList{"débito 1.txt"} << "";
    QTest::newRow("una carpeta") << QStringList{"lotes/"} << "«<carpeta>/lotes» es una carpeta";
    QTest::newRow("dos archivos") << QStringList{"a.txt", "b.txt"} << "Se soltaron 2 elementos";
    QTest::newRow("de otro equipo")
        << QStringList{"file://otro/a.txt"} << "no es un archivo de este";
}

// A file dropped on the window is taken as if chosen in the dialog; anything
// else is refused with the reason, and the path box keeps what it had.
void PruebaVentana::soltar() {
    QFETCH(QStringList, nombres);
    QFETCH(QString, mensaje);
    QList<QUrl> urls;
    for (const QString& nombre : nombres) {
        QVERIFY(QDir(carpeta->Ruta()).mkpath("lotes"));
        urls << (nombre.contains(u':')
                     ? QUrl(nombre)
                     : QUrl::fromLocalFile(nombre.endsWith(u'/')
                                               ? carpeta->Archivo(nombre.chopped(1))
                                               : carpeta->Escribir(nombre, "D1\n")));
    }
    QMimeData datos;
    datos.setUrls(urls);
    QDragEnterEvent entra(QPoint(5, 5), Qt::CopyAction, &datos, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(ventana, &entra);
    QVERIFY(entra.isAccepted());
    QDropEvent suelta(QPointF(5, 5), Qt::CopyAction, &datos, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(ventana, &suelta);
    QCOMPARE(mensajes->Textos().size(), mensaje.isEmpty() ? 0 : 1);
    if (!mensaje.isEmpty()) {
        QVERIFY2(mensajes->Textos()[0].contains(mensaje.replace("<carpeta>", carpeta->Ruta())),
                 qPrintable(mensajes->Textos()[0]));
        QVERIFY(Ruta()->text().isEmpty());
        return;
    }
    QCOMPARE(Ruta()->text(), carpeta->Archivo(nombres[0]));
    QVERIFY(Boton("cmdAceptar")->isEnabled());
    QCOMPARE(LeerIni(programa->ArchivoIni(), "General", "UltRuta", QString()), carpeta->Ruta());
}

// F1 tells a support call the version, the database and the files in use, and
// the licence; never the database's password.
void PruebaVentana::acercaDe() {
    QString visto;
    CerrarDialogo(visto);
    QTest::keyClick(ventana, Qt::Key_F1);
    QTRY_VERIFY(!visto.isEmpty());
    for (const QString& esperado :
         QStringList{"Acerca de Cobranzia\n", "SQLite, archivo «" + programa->BaseDatos() + u'»',
                     "Carpeta de datos: " + programa->RutaDatos(), programa->ArchivoIni(),
                     "Licencia: propietaria"})
        QVERIFY2(visto.contains(esperado), qPrintable(visto));
    QVERIFY(!visto.contains(ArchivosPrograma::ContrasenaBase));
}

// The whole job from the keyboard: the file chosen through the label's key
// and the browse button, the run, the listing printed and saved as PDF
// through their dialogs, then the listing and the window closed.
void PruebaVentana::soloTeclado() {
    Dialogos dialogos;
    dialogos.respuestas << carpeta->Escribir("lote01.txt", "H1\r\nD1 UNO\r\nT\r\n");
    EscribirIni(programa->ArchivoIni(), "General", "UltRutaPdf", carpeta->Ruta());
    QTest::keyClick(ventana, Qt::Key_R, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), Ruta());
    QTest::keyClick(Ruta(), Qt::Key_Backtab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::AltModifier);
    QTRY_COMPARE(Vistas().size(), 1);
    VistaPrevia* vista = Vistas().constFirst();
    Activar(vista);
    // Printed, into a file, as the print dialog would take it.
    const QString impreso = carpeta->Archivo("impreso.pdf");
    VistaPrevia::EstablecerRespuestaImpresion([&](QPrinter& impresora) {
        impresora.setOutputFileName(impreso);
        return true;
    });
    const auto sinRespuesta = qScopeGuard([] { VistaPrevia::EstablecerRespuestaImpresion({}); });
    QTest::keyClick(vista, Qt::Key_P, Qt::ControlModifier);
    QTRY_VERIFY(QFile::exists(impreso));
    QVERIFY(LineasPdf(impreso).contains("Filas listadas: 1"));
    // Saved as PDF: the file's name suggested in the folder of the last PDF;
    // another name taken, ".pdf" added, and its folder remembered.
    QVERIFY(QDir(carpeta->Ruta()).mkdir("pdf"));
    QString visto;
    CerrarDialogo(visto, carpeta->Archivo("pdf/listado"));
    QTest::keyClick(vista, Qt::Key_S, Qt::ControlModifier);
    QTRY_COMPARE(visto, carpeta->Archivo("lote01.pdf"));
    const QString guardado = carpeta->Archivo("pdf/listado.pdf");
    QTRY_VERIFY(QFile::exists(guardado));
    QVERIFY(LineasPdf(guardado).contains("Filas listadas: 1"));
    QCOMPARE(LeerIni(programa->ArchivoIni(), "General", "UltRutaPdf", QString()),
             carpeta->Archivo("pdf"));
    Activar(vista);
    QTest::keyClick(vista, Qt::Key_W, Qt::ControlModifier);
    QTRY_COMPARE(Vistas().size(), 0);
    QTest::keyClick(ventana, Qt::Key_Escape);
    QTRY_VERIFY(!ventana);
}

// Ctrl+H: every run, newest first, narrowed by file name as the operator
// types, sorted by Ctrl and the column's number; the listing only of a run
// whose rows stand, the others saying why; the rows copied; Esc closes; a
// history that cannot be read says so, at its opening or later.
void PruebaVentana::historial() {
    const auto teclas = [](int tecla, Qt::KeyboardModifiers mod = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(tecla), mod);
    };
    programa->gConexion()->Execute("ALTER TABLE Historial RENAME TO Otra");
    QTest::keyClick(ventana, Qt::Key_H, Qt::ControlModifier);
    QCOMPARE(mensajes->Textos().size(), 1);
    QVERIFY(mensajes->Textos()[0].startsWith("No se pudo leer el historial de corridas: "));
    QVERIFY(!Control("grdCorridas"));
    programa->gConexion()->Execute("ALTER TABLE Otra RENAME TO Historial");
    const QString a = carpeta->Escribir("a.txt", "D1\r\nD2\r\n");
    EjecutarCorrida(*programa, a);
    EjecutarCorrida(*programa, carpeta->Escribir("b.txt", Lote(12345, 'B')));
    EjecutarCorrida(*programa, carpeta->Escribir("a.txt ", "D3 NUEVA\r\n"));
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, EjecutarCorrida(*programa, a + u'x'));
    AbrirHistorial();
    auto* tabla = ventana->findChild<QTableView*>();
    QCOMPARE(tabla->window()->windowTitle(), "Historial de corridas");
    const auto columna = [&tabla](int c) {
        QStringList textos;
        for (int f = 0; f < tabla->model()->rowCount(); ++f)
            textos << tabla->model()->index(f, c).data().toString();
        return textos;
    };
    QCOMPARE(columna(1), (QStringList{"a.txtx", "a.txt", "b.txt", "a.txt"}));
    QCOMPARE(columna(3), (QStringList{"0", "1", "12.345", "2"}));
    QVERIFY2(columna(6)[0].startsWith("Fallida: No se encontró el archivo"),
             qPrintable(columna(6)[0]));
    QVERIFY(QDateTime::fromString(columna(0)[0], "dd/MM/yyyy HH:mm:ss").isValid());
    teclas(Qt::Key_4, Qt::ControlModifier);
    QCOMPARE(columna(3), (QStringList{"0", "1", "2", "12.345"}));
    teclas(Qt::Key_4, Qt::ControlModifier);
    QCOMPARE(columna(3), (QStringList{"12.345", "2", "1", "0"}));
    teclas(Qt::Key_1, Qt::ControlModifier);
    QCOMPARE(columna(3), (QStringList{"0", "1", "12.345", "2"}));
    // From the keyboard: the failed run, the one that stands, the replaced one, both.
    QAbstractButton* ver = Boton("cmdVerListado");
    const auto motivo = [ver, etiqueta = ventana->findChild<QLabel*>("lblMotivo")] {
        const QString descripcion =
            QAccessible::queryAccessibleInterface(ver)->text(QAccessible::Description);
        return ver->toolTip() == descripcion && etiqueta->text() == descripcion && !ver->isEnabled()
                   ? descripcion
                   : QString();
    };
    QTest::keyClicks(QApplication::focusWidget(), "A.TXTX");
    QTRY_COMPARE(tabla->model()->rowCount(), 1);
    QCOMPARE(motivo(), "La corrida no terminó: no guardó filas.");
    teclas(Qt::Key_Backspace);
    QTRY_COMPARE(tabla->model()->rowCount(), 3);
    for (const int tecla : {Qt::Key_Tab, Qt::Key_Down})
        teclas(tecla);
    QCOMPARE(motivo(), QString());
    teclas(Qt::Key_Down);
    QCOMPARE(motivo(), "Las filas de esta corrida ya no están en la base: otra corrida del mismo "
                       "archivo las reemplazó.");
    teclas(Qt::Key_Up, Qt::ShiftModifier);
    QCOMPARE(motivo(), "Elija una sola corrida de la lista.");
    QCOMPARE(QApplication::focusWidget(), tabla);
    teclas(Qt::Key_C, Qt::ControlModifier);
    const QStringList copia = QGuiApplication::clipboard()->text().split(u'\n');
    QCOMPARE(copia.size(), 4);
    QCOMPARE(copia[0], "Fecha\tArchivo\tCódigo\tFilas\tUsuario\tEquipo\tResultado");
    QCOMPARE(copia[2].split(u'\t').size(), 7);
    QCOMPARE(copia[2].split(u'\t')[3] + copia[2].split(u'\t')[6], "2Completada");
    teclas(Qt::Key_A, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), Control("txtArchivo"));
    teclas(Qt::Key_Escape);
    QTRY_VERIFY(!Control("grdCorridas"));
    // The standing run's listing, in the run's own preview.
    AbrirHistorial();
    QTest::keyClicks(QApplication::focusWidget(), "a.t");
    QTRY_COMPARE(ventana->findChild<QTableView*>()->model()->rowCount(), 3);
    for (const int tecla : {Qt::Key_Tab, Qt::Key_Down})
        teclas(tecla);
    teclas(Qt::Key_V, Qt::AltModifier);
    QTRY_COMPARE(Vistas().size(), 1);
    const QString pdf = carpeta->Archivo("vista.pdf");
    QVERIFY(Vistas().constFirst()->GuardarPdf(pdf));
    QVERIFY2(LineasPdf(pdf).contains("D3 NUEVA"), qPrintable(LineasPdf(pdf).join(u'\n')));
    QCOMPARE(mensajes->Textos().size(), 1);
    // Thousands of runs, read a page at a time as asked for: narrowed by a
    // name with a "%" and a "_" of its own, sorted both ways.
    programa->gConexion()->Execute(QStringLiteral(
        "WITH RECURSIVE n (i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) INSERT "
        "INTO Historial (inicio, fin, modo, usuario, equipo, version, motor, servidor, base, "
        "archivo, ruta, tamano, modificado, sha256, codigo, lineas, filas, corrida, resultado, "
        "error_numero, error_descripcion, cadena) SELECT '', '', '', '', '', '', '', '', '', CASE "
        "i % 3 WHEN 0 THEN 'p%q_' ELSE 'pzqy' END || (i % 4), '', 0, '', '', printf('%032d', i), "
        "0, i * 37 % 101, '', 'completada', 0, '', '' FROM n"));
    QList<std::pair<int, QString>> esperadas;
    for (int i = 3; i <= 3000; i += 3)
        esperadas.append({i * 37 % 101, QStringLiteral("%1").arg(i, 32, 10, QChar(u'0'))});
    std::sort(esperadas.begin(), esperadas.end());
    QStringList codigos;
    for (const auto& esperada : std::as_const(esperadas))
        codigos << esperada.second;
    AbrirHistorial();
    tabla = ventana->findChild<QTableView*>();
    teclas(Qt::Key_4, Qt::ControlModifier);
    QTest::keyClicks(QApplication::focusWidget(), "%Q_");
    QTRY_VERIFY(tabla->model()->index(0, 1).data().toString().startsWith("p%q_"));
    const auto todas = [&] {
        while (tabla->model()->canFetchMore({}))
            tabla->model()->fetchMore({});
        return columna(2);
    };
    QCOMPARE(todas(), codigos);
    teclas(Qt::Key_4, Qt::ControlModifier);
    std::reverse(codigos.begin(), codigos.end());
    QCOMPARE(todas(), codigos);
    programa->gConexion()->Execute("ALTER TABLE Historial RENAME TO Otra");
    teclas(Qt::Key_2, Qt::ControlModifier);
    QTRY_COMPARE(mensajes->Textos().size(), 2);
    QVERIFY(mensajes->Textos()[1].startsWith("No se pudo leer el historial de corridas: "));
}

PRUEBAS_MAIN(PruebaVentana, QApplication)
#include "tst_ventana.moc"
