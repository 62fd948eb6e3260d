#include "app/frmPrincipal.h"

#include "app/TextosVentana.h"
#include "app/modGral.h"
#include "platform/gui/BotonImagen.h"
#include "platform/gui/ControlReporteVentana.h"
#include "platform/gui/DialogoComun.h"
#include "platform/gui/Fuentes.h"
#include "platform/gui/Twips.h"
#include "platform/proceso/ErrorEjecucion.h"
#include "platform/proceso/Mensajes.h"
#include "platform/proceso/Rutas.h"
#include "platform/proceso/TextoVisible.h"
#include "run/Programa.h"
#include "util/gui/CentrarFormulario.h"
#include "util/gui/EnviarTecla.h"
#include "util/gui/SeleccionarTexto.h"

#include <QAction>
#include <QCloseEvent>
#include <QDropEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>

#include <sys/stat.h>

namespace {

// Measures in twips.
constexpr int AnchoCliente = 5445;
constexpr int AltoCliente = 1710;
// The background picture is 364 x 116 pixels of 15 twips.
constexpr int AnchoFondo = 364 * 15;
constexpr int AltoFondo = 116 * 15;

struct Posicion {
    int izquierda, arriba, ancho, alto;
};
constexpr Posicion PosRutaArchivo{855, 180, 3795, 330};
constexpr Posicion PosBuscarArchivo{4665, 105, 660, 525};
constexpr Posicion PosAceptar{2490, 1080, 1395, 510};
constexpr Posicion PosCancelar{3930, 1080, 1395, 510};
constexpr Posicion PosLabel1{180, 225, 645, 195};

constexpr int32_t DesplazamientoVertical = -500;
constexpr int CaracterEnter = 13;
const QColor FondoRuta(247, 247, 247);

} // namespace

frmPrincipal::frmPrincipal(Programa& programa, QWidget* padre)
    : QWidget(padre, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint)
    , programa_(programa)
    , dlgArchivo(new DialogoComun(this))
    , rpt(new ControlReporteVentana(this))
    , fondo_(QStringLiteral(":/fondo.jpg")) {
    // The pictures live in the window library, which the linker would otherwise drop.
    Q_INIT_RESOURCE(recursos);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(TextosVentana::TituloVentana);
    setWindowIcon(QIcon(QStringLiteral(":/icono.png")));
    CrearControles();
    ColocarControles();
    setAcceptDrops(true);
    Form_Load();
}

void frmPrincipal::AbrirArchivo(const QString& archivo) {
    if (!archivo.isEmpty())
        txtRutaArchivo->setText(archivo);
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

void frmPrincipal::CrearControles() {
    // Created in tab-index order, which is also the focus chain.
    cmdBuscarArchivo = new BotonImagen(QIcon(QStringLiteral(":/buscar.png")), QString(), this);
    cmdBuscarArchivo->setObjectName(QStringLiteral("cmdBuscarArchivo"));
    cmdBuscarArchivo->setToolTip(TextosVentana::BuscarArchivo);
    CrearRutaYEtiqueta();
    cmdAceptar =
        new BotonImagen(QIcon(QStringLiteral(":/aceptar.png")), TextosVentana::Aceptar, this);
    cmdAceptar->setObjectName(QStringLiteral("cmdAceptar"));
    cmdCancelar =
        new BotonImagen(QIcon(QStringLiteral(":/cancelar.png")), TextosVentana::Cancelar, this);
    cmdCancelar->setObjectName(QStringLiteral("cmdCancelar"));

    for (QWidget* control :
         {static_cast<QWidget*>(txtRutaArchivo), static_cast<QWidget*>(cmdBuscarArchivo),
          static_cast<QWidget*>(cmdAceptar), static_cast<QWidget*>(cmdCancelar)})
        control->setFont(FuenteTahoma());
    Label1->setBuddy(txtRutaArchivo);
    NombrarControles();
    setTabOrder(cmdBuscarArchivo, txtRutaArchivo);
    setTabOrder(txtRutaArchivo, cmdAceptar);
    setTabOrder(cmdAceptar, cmdCancelar);
    cmdBuscarArchivo->setFocus();
    ConectarControles();
}

// The path box and the label lie on the fixed, light artwork: their texts
// stay dark whatever the desktop's palette, so that they read in a dark theme too.
void frmPrincipal::CrearRutaYEtiqueta() {
    txtRutaArchivo = new QLineEdit(this);
    txtRutaArchivo->setObjectName(QStringLiteral("txtRutaArchivo"));
    QPalette paleta = txtRutaArchivo->palette();
    paleta.setColor(QPalette::Base, FondoRuta);
    paleta.setColor(QPalette::Text, Qt::black);
    paleta.setColor(QPalette::PlaceholderText, Qt::darkGray);
    txtRutaArchivo->setPalette(paleta);
    // A file dropped on the box is the window's, not text to paste.
    txtRutaArchivo->setAcceptDrops(false);

    Label1 = new QLabel(TextosVentana::Etiqueta, this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(FuenteTahoma(true));
    QPalette tinta = Label1->palette();
    tinta.setColor(QPalette::WindowText, Qt::black);
    Label1->setPalette(tinta);
}

// Key preview and the controls' handlers.
void frmPrincipal::ConectarControles() {
    installEventFilter(this);
    for (QWidget* control : findChildren<QWidget*>())
        control->installEventFilter(this);

    connect(txtRutaArchivo, &QLineEdit::textChanged, this, [this] { txtRutaArchivo_Change(); });
    connect(cmdBuscarArchivo, &BotonImagen::clicked, this, [this] { cmdBuscarArchivo_Click(); });
    connect(cmdAceptar, &BotonImagen::clicked, this, [this] { cmdAceptar_Click(); });
    connect(cmdCancelar, &BotonImagen::clicked, this, [this] { cmdCancelar_Click(); });

    // A key without a control: the window shows no menu.
    auto* historial = new QAction(this);
    historial->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    addAction(historial);
    connect(historial, &QAction::triggered, this, [this] { VerHistorial(); });
    auto* acercaDe = new QAction(this);
    acercaDe->setShortcut(QKeySequence(Qt::Key_F1));
    addAction(acercaDe);
    connect(acercaDe, &QAction::triggered, this, [this] {
        if (!corriendo_)
            AcercaDe();
    });
}

// What a screen reader says of each control.
void frmPrincipal::NombrarControles() {
    const auto nombrar = [](QWidget* control, const QString& nombre, const QString& descripcion) {
        control->setAccessibleName(nombre);
        control->setAccessibleDescription(descripcion);
    };
    setAccessibleDescription(TextosVentana::DescripcionVentana);
    nombrar(cmdBuscarArchivo, TextosVentana::BuscarArchivo, TextosVentana::DescripcionBuscar);
    nombrar(txtRutaArchivo, TextosVentana::NombreRuta, TextosVentana::DescripcionRuta);
    nombrar(Label1, QString(TextosVentana::Etiqueta).remove(u'&'), TextosVentana::DescripcionRuta);
    nombrar(cmdAceptar, QString(TextosVentana::Aceptar).remove(u'&'),
            TextosVentana::DescripcionAceptar);
    nombrar(cmdCancelar, QString(TextosVentana::Cancelar).remove(u'&'),
            TextosVentana::DescripcionCancelar);
}

void frmPrincipal::ColocarControles() {
    setFixedSize(Twips::APixelesX(AnchoCliente, this), Twips::APixelesY(AltoCliente, this));
    const auto colocar = [this](QWidget* control, const Posicion& p) {
        control->setGeometry(Twips::Rectangulo(p.izquierda, p.arriba, p.ancho, p.alto, this));
    };
    colocar(txtRutaArchivo, PosRutaArchivo);
    colocar(cmdBuscarArchivo, PosBuscarArchivo);
    colocar(cmdAceptar, PosAceptar);
    colocar(cmdCancelar, PosCancelar);
    colocar(Label1, PosLabel1);
}

void frmPrincipal::Form_Load() {
    CentrarFormulario(this, 0, DesplazamientoVertical);
    strArchivoIni = programa_.ArchivoIni();
    cmdAceptar->setEnabled(ExisteArchivo());
}

void frmPrincipal::Form_Unload() {
    programa_.Cerrar();
}

bool frmPrincipal::ExisteArchivo() const {
    if (!programa_.gSistemaArchivos())
        throw ErrorSistema(Errores::ObjetoNoEstablecido);
    return programa_.gSistemaArchivos()->FileExists(txtRutaArchivo->text());
}

void frmPrincipal::txtRutaArchivo_Change() {
    cmdAceptar->setEnabled(ExisteArchivo());
}

void frmPrincipal::txtRutaArchivo_GotFocus() {
    SeleccionarTexto(txtRutaArchivo);
}

void frmPrincipal::cmdCancelar_Click() {
    close();
}

bool frmPrincipal::Form_KeyPress(int& KeyAscii) {
    if (KeyAscii != CaracterEnter)
        return false;
    // The focused control never sees the Enter; a Tab moves on instead.
    KeyAscii = 0;
    EnviarTecla(QString());
    return true;
}

// Esc is the cancel button's; Enter moves on as a Tab. True when the key was consumed.
bool frmPrincipal::Tecla(const QKeyEvent& tecla) {
    if (tecla.key() == Qt::Key_Escape && tecla.modifiers() == Qt::NoModifier &&
        cmdCancelar->isEnabled()) {
        cmdCancelar->click();
        return true;
    }
    const bool enter = tecla.key() == Qt::Key_Return || tecla.key() == Qt::Key_Enter;
    int KeyAscii = enter && !(tecla.modifiers() & Qt::ControlModifier) ? CaracterEnter : -1;
    return Form_KeyPress(KeyAscii);
}

bool frmPrincipal::eventFilter(QObject* objeto, QEvent* evento) {
    switch (evento->type()) {
    case QEvent::KeyPress:
        if (Tecla(*static_cast<QKeyEvent*>(evento)))
            return true;
        break;
    case QEvent::Show:
    case QEvent::Move:
        // Placed again once the window manager's frame is known: the
        // placement is of the whole window, title bar included.
        if (objeto == this && !centradaConMarco_ && frameGeometry().size() != size()) {
            centradaConMarco_ = true;
            CentrarFormulario(this, 0, DesplazamientoVertical);
        }
        break;
    case QEvent::FocusIn:
        if (objeto == txtRutaArchivo) {
            txtRutaArchivo_GotFocus();
            focoPorClic_ = static_cast<QFocusEvent*>(evento)->reason() == Qt::MouseFocusReason;
        }
        break;
    case QEvent::MouseButtonPress:
        if (objeto == txtRutaArchivo && focoPorClic_) {
            focoPorClic_ = false;
            return true;
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(objeto, evento);
}

void frmPrincipal::paintEvent(QPaintEvent*) {
    QPainter pintor(this);
    pintor.drawPixmap(Twips::Rectangulo(0, 0, AnchoFondo, AltoFondo, this), fondo_);
}

void frmPrincipal::dragEnterEvent(QDragEnterEvent* evento) {
    if (evento->mimeData()->hasUrls() && !corriendo_)
        evento->acceptProposedAction();
}

void frmPrincipal::dropEvent(QDropEvent* evento) {
    const QList<QUrl> urls = evento->mimeData()->urls();
    if (corriendo_ || urls.isEmpty())
        return;
    evento->acceptProposedAction();
    if (urls.size() > 1) {
        MsgBox(TextosVentana::SoltarVarios.arg(urls.size()), IconoMensaje::Exclamacion);
        return;
    }
    const QUrl& url = urls.constFirst();
    if (!url.isLocalFile() || !(url.host().isEmpty() || url.host() == QLatin1String("localhost"))) {
        MsgBox(TextosVentana::SoltarAjeno.arg(TextoVisible(url.toDisplayString())),
               IconoMensaje::Exclamacion);
        return;
    }
    // By the name's own bytes, as the dialog would give it.
    const QString archivo =
        RutaDesdeBytes(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
    struct stat info {};
    if (stat(RutaABytes(archivo).constData(), &info) == 0 && S_ISDIR(info.st_mode)) {
        MsgBox(TextosVentana::SoltarCarpeta.arg(TextoVisible(archivo)), IconoMensaje::Exclamacion);
        return;
    }
    ArchivoElegido(archivo);
}

void frmPrincipal::closeEvent(QCloseEvent* evento) {
    // A run under way is cancelled first; once its rows are committed, the
    // window stays for its listing.
    if (corriendo_) {
        if (!confirmada_) {
            cancelar_ = true;
            cerrarAlTerminar_ = true;
        }
        evento->ignore();
        return;
    }
    Form_Unload();
    evento->accept();
}
