// The main window, driven headless: layout, the accept rule, Enter as Tab,
// select-all on focus, closing and the unload order; the placement arithmetic.
#include "app/frmPrincipal.h"
#include "app/modGral.h"
#include "platform/ErrorEjecucion.h"
#include "platform/gui/DialogoComun.h"
#include "tests/comun/Entorno.h"
#include "util/gui/CentrarFormulario.h"
#include "util/gui/SeleccionarTexto.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <limits>

class tst_ventana : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void estadoInicial();
    void disposicion_data();
    void disposicion();
    void aspecto();
    void colocadaSobreElCentro();

    void reglaAceptar_data();
    void reglaAceptar();
    void archivoQueDesaparece();

    void enterMueveFoco_data();
    void enterMueveFoco();
    void seleccionAlEnfocar_data();
    void seleccionAlEnfocar();
    void segundoClicColocaCursor();
    void clicEnBotonNoMueveFoco_data();
    void clicEnBotonNoMueveFoco();

    void escCierra_data();
    void escCierra();
    void teclaDeAccesoCancelar();
    void ordenDeDescarga();
    void cierreTerminaPrograma();

    void posicionCentrada_data();
    void posicionCentrada();
    void arribaAntesQueIzquierda();
    void seleccionarTexto_data();
    void seleccionarTexto();

private:
    QLineEdit* Ruta() const {
        return ventana_->findChild<QLineEdit*>(QStringLiteral("txtRutaArchivo"));
    }
    QAbstractButton* Boton(const QString& nombre) const {
        return ventana_->findChild<QAbstractButton*>(nombre);
    }
    QWidget* Control(const QString& nombre) const { return ventana_->findChild<QWidget*>(nombre); }
    QString ArchivoExistente() const {
        return carpeta_->Escribir(QStringLiteral("deudas.txt"), "D0001 100\n");
    }

    std::unique_ptr<CarpetaPrueba> carpeta_;
    std::unique_ptr<RegistroMensajes> mensajes_;
    frmPrincipal* ventana_ = nullptr;
    // Becomes null when the window is deleted.
    QPointer<frmPrincipal> viva_;
};

void tst_ventana::init() {
    carpeta_ = std::make_unique<CarpetaPrueba>(false);
    mensajes_ = std::make_unique<RegistroMensajes>();
    gConexion = std::make_unique<Conexion>();
    gPrincipal = new frmPrincipal();
    ventana_ = gPrincipal;
    viva_ = gPrincipal;
    ventana_->show();
    ventana_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(ventana_));
}

void tst_ventana::cleanup() {
    // None of these paths has a message of its own.
    QVERIFY2(mensajes_->Mensajes().isEmpty(), qPrintable(mensajes_->Textos().join(u'|')));
    delete viva_.data();
    ventana_ = nullptr;
    gPrincipal = nullptr;
    gSistemaArchivos.reset();
    gConexion.reset();
    DialogoComun::EstablecerRespuesta({});
    frmPrincipal::EstablecerTestigoDescarga({});
    mensajes_.reset();
    carpeta_.reset();
}

void tst_ventana::estadoInicial() {
    QVERIFY(Ruta()->text().isEmpty());
    QVERIFY(!Boton(QStringLiteral("cmdAceptar"))->isEnabled());
    QCOMPARE(QApplication::focusWidget(), Boton(QStringLiteral("cmdBuscarArchivo")));
    QVERIFY(gSistemaArchivos != nullptr);
    QCOMPARE(ventana_->windowTitle(), QStringLiteral("Generación de código de control"));
}

void tst_ventana::disposicion_data() {
    // At 96 dots per inch: 15 twips a pixel.
    QTest::addColumn<QString>("control");
    QTest::addColumn<QRect>("pixeles");
    QTest::newRow("txtRutaArchivo") << "txtRutaArchivo" << QRect(57, 12, 253, 22);
    QTest::newRow("cmdBuscarArchivo") << "cmdBuscarArchivo" << QRect(311, 7, 44, 35);
    QTest::newRow("cmdAceptar") << "cmdAceptar" << QRect(166, 72, 93, 34);
    QTest::newRow("cmdCancelar") << "cmdCancelar" << QRect(262, 72, 93, 34);
    QTest::newRow("Label1") << "Label1" << QRect(12, 15, 43, 13);
}

void tst_ventana::disposicion() {
    QFETCH(QString, control);
    QFETCH(QRect, pixeles);
    if (!qFuzzyCompare(ventana_->screen()->logicalDotsPerInchX(), 96.0))
        QSKIP("the table is for a 96 dpi screen");
    QCOMPARE(ventana_->size(), QSize(363, 114));
    QCOMPARE(ventana_->minimumSize(), ventana_->maximumSize());
    QCOMPARE(Control(control)->geometry(), pixeles);
}

void tst_ventana::aspecto() {
    const Qt::WindowFlags flags = ventana_->windowFlags();
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QVERIFY(!ventana_->windowIcon().isNull());
    QCOMPARE(ventana_->windowIcon().availableSizes().value(0), QSize(40, 41));

    QCOMPARE(Ruta()->palette().color(QPalette::Base), QColor(247, 247, 247));
    auto* etiqueta = ventana_->findChild<QLabel*>(QStringLiteral("Label1"));
    QCOMPARE(etiqueta->text(), QStringLiteral("Archivo"));
    QVERIFY(etiqueta->font().bold());
    QCOMPARE(etiqueta->font().pointSizeF(), 8.25);
    QVERIFY(!etiqueta->autoFillBackground());
    if (QFile::exists(QStringLiteral("/usr/share/wine/fonts/tahoma.ttf"))) {
        QCOMPARE(QFontInfo(Ruta()->font()).family(), QStringLiteral("Tahoma"));
        QCOMPARE(QFontInfo(etiqueta->font()).family(), QStringLiteral("Tahoma"));
    }

    QCOMPARE(Boton(QStringLiteral("cmdBuscarArchivo"))->toolTip(),
             QStringLiteral("Buscar archivo"));
    QCOMPARE(Boton(QStringLiteral("cmdAceptar"))->text(), QStringLiteral("&Aceptar"));
    QCOMPARE(Boton(QStringLiteral("cmdCancelar"))->text(), QStringLiteral("&Cancelar"));
    for (const char* nombre : {"cmdBuscarArchivo", "cmdAceptar", "cmdCancelar"})
        QVERIFY(!Boton(QString::fromLatin1(nombre))->icon().isNull());

    // A disabled picture button looks different from an enabled one.
    QAbstractButton* aceptar = Boton(QStringLiteral("cmdAceptar"));
    QVERIFY(!aceptar->isEnabled());
    const QImage deshabilitado = aceptar->grab().toImage();
    Ruta()->setText(ArchivoExistente());
    QVERIFY(aceptar->isEnabled());
    QVERIFY(aceptar->grab().toImage() != deshabilitado);

    // The background picture shows where no control covers it.
    const QImage ventana = ventana_->grab().toImage();
    const QImage fondo(QStringLiteral(":/fondo.jpg"));
    QCOMPARE(fondo.size(), QSize(364, 116));
    const QPoint libre(30, 95);
    QCOMPARE(ventana.pixelColor(libre).name(), fondo.pixelColor(libre).name());
}

void tst_ventana::colocadaSobreElCentro() {
    // Placed at load, before the frame exists: the outer size then is the client size.
    const QRect pantalla = ventana_->screen()->geometry();
    const QPoint esquina = ventana_->frameGeometry().topLeft();
    const QSize tamano = ventana_->size();
    const double pixelesPor500Twips = 500.0 / (1440.0 / ventana_->screen()->logicalDotsPerInchY());
    QVERIFY(qAbs(esquina.x() - (pantalla.width() - tamano.width()) / 2.0) <= 1.0);
    QVERIFY(qAbs(esquina.y() -
                 ((pantalla.height() - tamano.height()) / 2.0 - pixelesPor500Twips)) <= 1.0);
}

void tst_ventana::reglaAceptar_data() {
    QTest::addColumn<QString>("caso");
    QTest::addColumn<bool>("habilitado");
    QTest::newRow("archivo") << "archivo" << true;
    QTest::newRow("archivo con blancos alrededor") << "blancos" << false;
    QTest::newRow("carpeta") << "carpeta" << false;
    QTest::newRow("vacío") << "vacío" << false;
    QTest::newRow("enlace roto") << "enlace roto" << false;
    QTest::newRow("enlace a archivo") << "enlace" << true;
    QTest::newRow("4000 caracteres") << "largo" << false;
    QTest::newRow("inexistente") << "inexistente" << false;
}

void tst_ventana::reglaAceptar() {
    QFETCH(QString, caso);
    QFETCH(bool, habilitado);
    const QString archivo = ArchivoExistente();
    QString texto;
    if (caso == QLatin1String("archivo")) {
        texto = archivo;
    } else if (caso == QLatin1String("blancos")) {
        texto = QLatin1Char(' ') + archivo;
    } else if (caso == QLatin1String("carpeta")) {
        texto = carpeta_->Ruta();
    } else if (caso == QLatin1String("enlace roto")) {
        texto = carpeta_->Archivo(QStringLiteral("roto"));
        QVERIFY(QFile::link(carpeta_->Archivo(QStringLiteral("no-existe")), texto));
    } else if (caso == QLatin1String("enlace")) {
        texto = carpeta_->Archivo(QStringLiteral("enlace.txt"));
        QVERIFY(QFile::link(archivo, texto));
    } else if (caso == QLatin1String("largo")) {
        texto = QLatin1Char('/') + QString(3999, QLatin1Char('a'));
    } else if (caso == QLatin1String("inexistente")) {
        texto = carpeta_->Archivo(QStringLiteral("otro.txt"));
    }
    // From a state of the opposite kind, so the change itself must set the button.
    Ruta()->setText(habilitado ? QString() : archivo);
    QCOMPARE(Boton(QStringLiteral("cmdAceptar"))->isEnabled(), !habilitado);
    Ruta()->setText(texto);
    QCOMPARE(Boton(QStringLiteral("cmdAceptar"))->isEnabled(), habilitado);
}

void tst_ventana::archivoQueDesaparece() {
    const QString archivo = ArchivoExistente();
    Ruta()->setFocus();
    QTest::keyClicks(Ruta(), archivo);
    QVERIFY(Boton(QStringLiteral("cmdAceptar"))->isEnabled());
    QVERIFY(QFile::remove(archivo));
    // The button follows the text at its next change.
    QTest::keyClick(Ruta(), Qt::Key_Backspace);
    QVERIFY(!Boton(QStringLiteral("cmdAceptar"))->isEnabled());
    QTest::keyClick(Ruta(), Qt::Key_T);
    QCOMPARE(Ruta()->text(), archivo);
    QVERIFY(!Boton(QStringLiteral("cmdAceptar"))->isEnabled());
}

void tst_ventana::enterMueveFoco_data() {
    QTest::addColumn<QString>("desde");
    QTest::addColumn<bool>("aceptarHabilitado");
    QTest::addColumn<int>("tecla");
    QTest::addColumn<QString>("hacia");
    QTest::newRow("ruta, Aceptar habilitado")
        << "txtRutaArchivo" << true << int(Qt::Key_Return) << "cmdAceptar";
    QTest::newRow("ruta, Aceptar deshabilitado")
        << "txtRutaArchivo" << false << int(Qt::Key_Return) << "cmdCancelar";
    QTest::newRow("ruta, Enter del teclado numérico")
        << "txtRutaArchivo" << true << int(Qt::Key_Enter) << "cmdAceptar";
    QTest::newRow("buscar") << "cmdBuscarArchivo" << false << int(Qt::Key_Return)
                            << "txtRutaArchivo";
    QTest::newRow("aceptar") << "cmdAceptar" << true << int(Qt::Key_Return) << "cmdCancelar";
    QTest::newRow("cancelar") << "cmdCancelar" << true << int(Qt::Key_Return) << "cmdBuscarArchivo";
}

void tst_ventana::enterMueveFoco() {
    QFETCH(QString, desde);
    QFETCH(bool, aceptarHabilitado);
    QFETCH(int, tecla);
    QFETCH(QString, hacia);
    const QString texto = aceptarHabilitado ? ArchivoExistente() : QStringLiteral("/no/existe");
    Ruta()->setText(texto);
    QWidget* origen = Control(desde);
    origen->setFocus();
    QCOMPARE(QApplication::focusWidget(), origen);

    QTest::keyClick(origen, Qt::Key(tecla));
    // The Tab is queued behind the Enter, not handled inside it.
    QCOMPARE(QApplication::focusWidget(), origen);
    QTRY_COMPARE(QApplication::focusWidget(), Control(hacia));
    QCOMPARE(Ruta()->text(), texto);
    QVERIFY(!viva_.isNull());
}

void tst_ventana::seleccionAlEnfocar_data() {
    QTest::addColumn<QString>("como");
    QTest::newRow("Tab") << "tab";
    QTest::newRow("Mayúsculas+Tab") << "backtab";
    QTest::newRow("Enter") << "enter";
    QTest::newRow("clic") << "clic";
}

void tst_ventana::seleccionAlEnfocar() {
    QFETCH(QString, como);
    const QString texto = QStringLiteral("/home/ana/deudas.txt");
    Ruta()->setText(texto);
    Ruta()->setCursorPosition(3);
    QVERIFY(!Ruta()->hasSelectedText());

    if (como == QLatin1String("tab")) {
        QTest::keyClick(Boton(QStringLiteral("cmdBuscarArchivo")), Qt::Key_Tab);
    } else if (como == QLatin1String("backtab")) {
        Boton(QStringLiteral("cmdCancelar"))->setFocus();
        QTest::keyClick(Boton(QStringLiteral("cmdCancelar")), Qt::Key_Backtab, Qt::ShiftModifier);
    } else if (como == QLatin1String("enter")) {
        QTest::keyClick(Boton(QStringLiteral("cmdBuscarArchivo")), Qt::Key_Return);
    } else {
        QTest::mouseClick(Ruta(), Qt::LeftButton, {}, QPoint(20, Ruta()->height() / 2));
    }
    QTRY_VERIFY(Ruta()->hasFocus());
    QCOMPARE(Ruta()->selectedText(), texto);
    QCOMPARE(Ruta()->selectionStart(), 0);
}

void tst_ventana::segundoClicColocaCursor() {
    Ruta()->setText(QStringLiteral("/home/ana/deudas.txt"));
    const QPoint punto(20, Ruta()->height() / 2);
    QTest::mouseClick(Ruta(), Qt::LeftButton, {}, punto);
    QVERIFY(Ruta()->hasSelectedText());
    // Only the click that brings the focus keeps the selection.
    QTest::mouseClick(Ruta(), Qt::LeftButton, {}, punto, 500);
    QVERIFY(!Ruta()->hasSelectedText());
}

void tst_ventana::clicEnBotonNoMueveFoco_data() {
    QTest::addColumn<QString>("boton");
    QTest::newRow("buscar") << "cmdBuscarArchivo";
    QTest::newRow("aceptar") << "cmdAceptar";
    QTest::newRow("cancelar") << "cmdCancelar";
}

void tst_ventana::clicEnBotonNoMueveFoco() {
    QFETCH(QString, boton);
    Ruta()->setText(ArchivoExistente());
    Ruta()->setFocus();
    QAbstractButton* pulsado = Boton(boton);
    QVERIFY(pulsado->isEnabled());
    QTest::mousePress(pulsado, Qt::LeftButton);
    QVERIFY(pulsado->isDown());
    QCOMPARE(QApplication::focusWidget(), Ruta());
    // Released outside, so the button does not act.
    QTest::mouseRelease(pulsado, Qt::LeftButton, {}, QPoint(-10, -10));
    QCOMPARE(QApplication::focusWidget(), Ruta());

    // A whole click, where the click does nothing lasting: the dialog cancelled.
    DialogoComun::EstablecerRespuesta([](const DialogoComun&) { return QString(); });
    QTest::mouseClick(Boton(QStringLiteral("cmdBuscarArchivo")), Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), Ruta());
}

void tst_ventana::escCierra_data() {
    QTest::addColumn<QString>("desde");
    QTest::newRow("buscar") << "cmdBuscarArchivo";
    QTest::newRow("ruta") << "txtRutaArchivo";
    QTest::newRow("aceptar") << "cmdAceptar";
    QTest::newRow("cancelar") << "cmdCancelar";
}

void tst_ventana::escCierra() {
    QFETCH(QString, desde);
    Ruta()->setText(ArchivoExistente());
    QWidget* origen = Control(desde);
    origen->setFocus();
    QCOMPARE(QApplication::focusWidget(), origen);
    QTest::keyClick(origen, Qt::Key_Escape);
    QTRY_VERIFY(viva_.isNull());
    QVERIFY(gPrincipal == nullptr);
    QVERIFY(gSistemaArchivos == nullptr);
    QVERIFY(gConexion == nullptr);
}

void tst_ventana::teclaDeAccesoCancelar() {
    Ruta()->setFocus();
    QTest::keyClick(Ruta(), Qt::Key_C, Qt::AltModifier);
    QTRY_VERIFY(viva_.isNull());
}

void tst_ventana::ordenDeDescarga() {
    struct Estado {
        bool sistemaArchivos, conexion, principal;
    };
    QList<Estado> pasos;
    frmPrincipal::EstablecerTestigoDescarga([&pasos] {
        pasos.append({gSistemaArchivos != nullptr, gConexion != nullptr, gPrincipal != nullptr});
    });
    QTest::mouseClick(Boton(QStringLiteral("cmdCancelar")), Qt::LeftButton);
    QCOMPARE(pasos.size(), 3);
    // The file-system object goes first, then the connection, then the window's reference.
    QVERIFY(!pasos[0].sistemaArchivos && pasos[0].conexion && pasos[0].principal);
    QVERIFY(!pasos[1].sistemaArchivos && !pasos[1].conexion && pasos[1].principal);
    QVERIFY(!pasos[2].sistemaArchivos && !pasos[2].conexion && !pasos[2].principal);
    QTRY_VERIFY(viva_.isNull());
}

void tst_ventana::cierreTerminaPrograma() {
    // The application's own loop, as the program runs it; it must end by itself.
    QTimer::singleShot(0, ventana_, [this] { ventana_->close(); });
    QTimer::singleShot(10000, qApp, [] { QCoreApplication::exit(99); });
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(gPrincipal == nullptr);
}

void tst_ventana::posicionCentrada_data() {
    constexpr int32_t maximo = std::numeric_limits<int32_t>::max();
    constexpr int32_t minimo = std::numeric_limits<int32_t>::min();
    QTest::addColumn<double>("pantalla");
    QTest::addColumn<double>("ventana");
    QTest::addColumn<int>("desplazamiento");
    QTest::addColumn<int>("esperado");
    QTest::addColumn<int>("error");
    QTest::newRow("1001") << 11001.0 << 10000.0 << 0 << 500 << 0;
    QTest::newRow("-1001") << 10000.0 << 11001.0 << 0 << -500 << 0;
    QTest::newRow("1000.5") << 11000.5 << 10000.0 << 0 << 500 << 0;
    QTest::newRow("1001.5") << 11001.5 << 10000.0 << 0 << 501 << 0;
    QTest::newRow("2.5 al par") << 2.5 << 0.0 << 0 << 1 << 0;
    QTest::newRow("-2.5 al par") << 0.0 << 2.5 << 0 << -1 << 0;
    QTest::newRow("-1000.5") << 0.0 << 1000.5 << 0 << -500 << 0;
    QTest::newRow("ventana principal") << 9000.0 << 2175.0 << -500 << 2912 << 0;
    QTest::newRow("más alta que la pantalla") << 9000.0 << 12000.0 << -500 << -2000 << 0;
    QTest::newRow("suma desborda") << 10000.0 << 0.0 << maximo << 0 << 6;
    QTest::newRow("suma desborda hacia abajo") << 0.0 << 10000.0 << minimo << 0 << 6;
    QTest::newRow("suma en el límite") << 2.0 << 0.0 << maximo - 1 << maximo << 0;
    QTest::newRow("diferencia fuera de rango") << 2147483648.0 << 0.0 << 0 << 0 << 6;
    QTest::newRow("diferencia en el límite") << 2147483647.0 << 0.0 << 0 << 1073741823 << 0;
    QTest::newRow("diferencia no numérica")
        << std::numeric_limits<double>::quiet_NaN() << 0.0 << 0 << 0 << 6;
}

void tst_ventana::posicionCentrada() {
    QFETCH(double, pantalla);
    QFETCH(double, ventana);
    QFETCH(int, desplazamiento);
    QFETCH(int, esperado);
    QFETCH(int, error);
    try {
        const int32_t posicion = PosicionCentrada(pantalla, ventana, desplazamiento);
        QCOMPARE(error, 0);
        QCOMPARE(posicion, esperado);
    } catch (const ErrorEjecucion& e) {
        QCOMPARE(e.Numero(), error);
        QCOMPARE(e.Descripcion(), QStringLiteral("Desbordamiento"));
    }
}

void tst_ventana::arribaAntesQueIzquierda() {
    QWidget otra;
    otra.resize(100, 100);
    otra.move(7, 7);
    const int32_t desbordaHorizontal = std::numeric_limits<int32_t>::max();
    const int32_t vertical = 0;
    try {
        CentrarFormulario(&otra, desbordaHorizontal, vertical);
        QFAIL("no overflow error");
    } catch (const ErrorEjecucion& e) {
        QCOMPARE(e.Numero(), 6);
    }
    QCOMPARE(otra.y(), (otra.screen()->geometry().height() - 100) / 2);
    QCOMPARE(otra.x(), 7);
}

void tst_ventana::seleccionarTexto_data() {
    QTest::addColumn<QString>("tipo");
    QTest::addColumn<QString>("texto");
    QTest::newRow("TextBox") << "QLineEdit"
                             << "/tmp/deudas.txt";
    QTest::newRow("TextBox vacío") << "QLineEdit"
                                   << "";
    QTest::newRow("etiqueta") << "QLabel"
                              << "Archivo";
    QTest::newRow("botón") << "QPushButton"
                           << "Aceptar";
}

void tst_ventana::seleccionarTexto() {
    QFETCH(QString, tipo);
    QFETCH(QString, texto);
    std::unique_ptr<QWidget> control;
    if (tipo == QLatin1String("QLineEdit")) {
        auto* edicion = new QLineEdit(texto);
        edicion->setCursorPosition(static_cast<int>(texto.size()) / 2);
        control.reset(edicion);
        QCOMPARE(NombreTipo(edicion), QStringLiteral("TextBox"));
    } else if (tipo == QLatin1String("QLabel")) {
        auto* etiqueta = new QLabel(texto);
        etiqueta->setTextInteractionFlags(Qt::TextSelectableByMouse);
        control.reset(etiqueta);
    } else {
        control.reset(new QPushButton(texto));
    }
    SeleccionarTexto(control.get());
    if (auto* edicion = qobject_cast<QLineEdit*>(control.get())) {
        QCOMPARE(edicion->selectedText(), texto);
        QCOMPARE(edicion->selectionStart(), texto.isEmpty() ? -1 : 0);
        QCOMPARE(edicion->cursorPosition(), static_cast<int>(texto.size()));
    } else if (auto* etiqueta = qobject_cast<QLabel*>(control.get())) {
        QVERIFY(!etiqueta->hasSelectedText());
    }
}

QTEST_MAIN(tst_ventana)
#include "tst_ventana.moc"
