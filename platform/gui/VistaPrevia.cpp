#include "platform/gui/VistaPrevia.h"

#include "platform/gui/IconoPaleta.h"
#include "platform/gui/LienzoPaginas.h"
#include "platform/gui/ProgresoVentana.h"
#include "platform/gui/TextosVista.h"
#include "platform/proceso/Cantidad.h"
#include "platform/proceso/ErrorEjecucion.h"
#include "platform/proceso/Mensajes.h"
#include "platform/proceso/Rutas.h"
#include "platform/proceso/TextoVisible.h"
#include "platform/reporte/Reporte.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QSpinBox>
#include <QStatusBar>
#include <QToolBar>

namespace {
constexpr int kEsperaProgreso = 500; // ms before the progress dialog shows
// The template's formula fields that carry the listed file's name and its code.
const QString kFormulaArchivo = QStringLiteral("Archivo");
const QString kFormulaCodigo = QStringLiteral("Hash");

VistaPrevia::RespuestaImpresion& RespuestaFijada() {
    static VistaPrevia::RespuestaImpresion respuesta;
    return respuesta;
}
} // namespace

void VistaPrevia::EstablecerRespuestaImpresion(RespuestaImpresion respuesta) {
    RespuestaFijada() = std::move(respuesta);
}

VistaPrevia::VistaPrevia(std::unique_ptr<Reporte> reporte, QWidget* padre)
    : QMainWindow(padre, Qt::Window)
    , reporte_(std::move(reporte))
    , lienzo_(new LienzoPaginas(*reporte_, this))
    , codigo_(reporte_->ValorFormula(kFormulaCodigo).trimmed()) {
    setAttribute(Qt::WA_DeleteOnClose);
    setCentralWidget(lienzo_);
    lienzo_->Presentar(reporte_->ValorFormula(kFormulaArchivo), codigo_);
    CrearBarra();
    MostrarCodigo();
    connect(lienzo_, &LienzoPaginas::PaginaCambiada, this, &VistaPrevia::PaginaCambiada);
    lienzo_->setFocus();
}

VistaPrevia::~VistaPrevia() = default;

// One button of the bar, with its key in its tip; its handler is connected by the caller.
QAction* VistaPrevia::Accion(QToolBar* barra, const char* icono, const QString& texto,
                             const QKeySequence& tecla) {
    QAction* a = barra->addAction(texto);
    a->setObjectName(QLatin1String(icono));
    a->setShortcut(tecla);
    a->setToolTip(
        QStringLiteral("%1 (%2)").arg(QString(texto).remove(u'&').remove(QStringLiteral("...")),
                                      tecla.toString(QKeySequence::NativeText)));
    return a;
}

void VistaPrevia::CrearBarra() {
    QToolBar* barra = addToolBar(TextosVista::Barra);
    barra->setObjectName(QStringLiteral("barra"));
    barra->setMovable(false);
    // Pictures alone, their names and keys in the tips: the whole bar fits a
    // narrow window and a large scale.
    barra->setToolButtonStyle(Qt::ToolButtonIconOnly);
    const auto accion = [&](const char* icono, const QString& texto, const QKeySequence& tecla,
                            auto&& receptor) {
        QAction* a = Accion(barra, icono, texto, tecla);
        connect(a, &QAction::triggered, this, receptor);
        return a;
    };
    accion("document-print", TextosVista::Imprimir, QKeySequence::Print, &VistaPrevia::Imprimir);
    accion("document-save-as", TextosVista::GuardarPdf, QKeySequence::Save,
           &VistaPrevia::PreguntarPdf);
    accion("edit-copy", TextosVista::CopiarCodigo, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C),
           &VistaPrevia::CopiarCodigo)
        ->setEnabled(!codigo_.isEmpty());
    barra->addSeparator();
    accion("zoom-in", TextosVista::Acercar, QKeySequence::ZoomIn, [this] { lienzo_->Acercar(); });
    accion("zoom-out", TextosVista::Alejar, QKeySequence::ZoomOut, [this] { lienzo_->Alejar(); });
    accion("zoom-fit-width", TextosVista::AjustarAncho, QKeySequence(Qt::CTRL | Qt::Key_2),
           [this] { lienzo_->AjustarAncho(); });
    accion("zoom-fit-best", TextosVista::AjustarPagina, QKeySequence(Qt::CTRL | Qt::Key_1),
           [this] { lienzo_->AjustarPagina(); });
    barra->addSeparator();
    CrearNavegacion(barra);
    barra->addSeparator();
    // Esc too, as every window of the program closes.
    accion("window-close", TextosVista::Cerrar, QKeySequence(Qt::CTRL | Qt::Key_W), &QWidget::close)
        ->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_W), QKeySequence(Qt::Key_Escape)});
    PonerIconos();
}

// The buttons from page to page, with the page's number between them.
void VistaPrevia::CrearNavegacion(QToolBar* barra) {
    const auto ir = [&](const char* icono, const QString& texto, const QKeySequence& tecla,
                        auto&& pagina) {
        connect(Accion(barra, icono, texto, tecla), &QAction::triggered, this,
                [this, pagina] { lienzo_->IrAPagina(pagina()); });
    };
    ir("go-first", TextosVista::Primera, QKeySequence(Qt::CTRL | Qt::Key_Home),
       [] { return qint64(0); });
    ir("go-previous", TextosVista::Anterior, QKeySequence(Qt::Key_PageUp),
       [this] { return lienzo_->PaginaActual() - 1; });

    const qint64 total = reporte_->TotalPaginas();
    numeroPagina_ = new QSpinBox(barra);
    numeroPagina_->setRange(1, int(std::min<qint64>(total, INT_MAX)));
    numeroPagina_->setKeyboardTracking(false);
    numeroPagina_->setObjectName(QStringLiteral("numeroPagina"));
    numeroPagina_->setGroupSeparatorShown(true);
    numeroPagina_->setToolTip(TextosVista::Pagina);
    numeroPagina_->setAccessibleName(TextosVista::Pagina);
    numeroPagina_->setAccessibleDescription(TextosVista::DescripcionPagina);
    // The focus is on the box's text, and a reader names what has the focus.
    if (auto* texto = numeroPagina_->findChild<QLineEdit*>()) {
        texto->setAccessibleName(TextosVista::Pagina);
        texto->setAccessibleDescription(TextosVista::DescripcionPagina);
    }
    barra->addWidget(numeroPagina_);
    auto* deTotal = new QLabel(TextosVista::DeTotal.arg(TextoCantidad(total)), barra);
    deTotal->setBuddy(numeroPagina_);
    barra->addWidget(deTotal);
    connect(numeroPagina_, &QSpinBox::valueChanged, this,
            [this](int n) { lienzo_->IrAPagina(n - 1); });

    ir("go-next", TextosVista::Siguiente, QKeySequence(Qt::Key_PageDown),
       [this] { return lienzo_->PaginaActual() + 1; });
    ir("go-last", TextosVista::Ultima, QKeySequence(Qt::CTRL | Qt::Key_End),
       [this] { return reporte_->TotalPaginas() - 1; });
}

void VistaPrevia::PonerIconos() {
    auto* barra = findChild<QToolBar*>(QStringLiteral("barra"));
    for (QAction* a : barra->actions())
        if (!a->objectName().isEmpty())
            a->setIcon(IconoPaleta(a->objectName(), palette()));
}

void VistaPrevia::changeEvent(QEvent* evento) {
    // A palette of another lightness would hide the icons drawn for the last one.
    if (evento->type() == QEvent::PaletteChange)
        PonerIconos();
    QMainWindow::changeEvent(evento);
}

void VistaPrevia::Mostrar(int estado) {
    if (estado == 2)
        showMaximized();
    else if (estado == 1)
        showMinimized();
    else
        show();
}

// The rows and pages, and the code as text the operator may select and copy.
void VistaPrevia::MostrarCodigo() {
    statusBar()->showMessage(TextosVista::Listo.arg(TextoCantidad(reporte_->Filas()),
                                                    TextoCantidad(reporte_->TotalPaginas())));
    if (codigo_.isEmpty())
        return;
    auto* codigo = new QLabel(TextosVista::CodigoControl.arg(TextoVisible(codigo_)), this);
    codigo->setObjectName(QStringLiteral("lblCodigo"));
    codigo->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    codigo->setTextFormat(Qt::PlainText);
    codigo->setAccessibleDescription(TextosVista::DescripcionCodigo);
    statusBar()->addPermanentWidget(codigo);
}

void VistaPrevia::CopiarCodigo() {
    QGuiApplication::clipboard()->setText(codigo_);
}

void VistaPrevia::PaginaCambiada(qint64 k) {
    const QSignalBlocker bloqueo(numeroPagina_);
    numeroPagina_->setValue(int(k + 1));
}

bool VistaPrevia::Volcando(const QString& titulo, const QString& texto, qint64 paginas,
                           const std::function<bool(const Reporte::Avance&)>& trabajo) {
    // Long listings take a while: the operator sees how far it went and may stop it.
    QProgressDialog progreso(texto, TextosVista::Cancelar, 0,
                             int(std::min<qint64>(paginas, INT_MAX)), this);
    PrepararDialogoProgreso(progreso, titulo);
    progreso.setWindowModality(Qt::WindowModal);
    progreso.setMinimumDuration(kEsperaProgreso);
    const Reporte::Avance avance = [&progreso](qint64 hechas) {
        progreso.setValue(int(std::min<qint64>(hechas, INT_MAX)));
        return !progreso.wasCanceled();
    };
    try {
        return trabajo(avance);
    } catch (const ErrorEjecucion& e) {
        progreso.cancel();
        MsgBox(e.Descripcion());
        return false;
    }
}

bool VistaPrevia::ImprimirEn(QPrinter& impresora, qint64 desde, qint64 hasta) {
    impresora.setFullPage(true);
    return Volcando(TextosVista::TituloImpresion, TextosVista::Imprimiendo, hasta - desde + 1,
                    [&](const Reporte::Avance& avance) {
                        if (reporte_->Volcar(impresora, desde, hasta, avance))
                            return true;
                        impresora.abort();
                        return false;
                    });
}

void VistaPrevia::Imprimir() {
    QPrinter impresora(QPrinter::HighResolution);
    impresora.setDocName(windowTitle());
    QPrintDialog dialogo(&impresora, this);
    dialogo.setMinMax(1, int(std::min<qint64>(reporte_->TotalPaginas(), INT_MAX)));
    dialogo.setOptions(QAbstractPrintDialog::PrintPageRange | QAbstractPrintDialog::PrintToFile |
                       QAbstractPrintDialog::PrintCollateCopies |
                       QAbstractPrintDialog::PrintShowPageSize);
    if (RespuestaFijada() ? !RespuestaFijada()(impresora) : dialogo.exec() != QDialog::Accepted)
        return;
    qint64 desde = 0;
    qint64 hasta = reporte_->TotalPaginas() - 1;
    if (impresora.printRange() == QPrinter::PageRange) {
        desde = std::max(1, impresora.fromPage()) - 1;
        hasta = std::min<qint64>(hasta, impresora.toPage() - 1);
    } else if (impresora.printRange() == QPrinter::CurrentPage) {
        desde = hasta = lienzo_->PaginaActual();
    }
    ImprimirEn(impresora, desde, hasta);
}

void VistaPrevia::PreguntarPdf() {
    // Qt's own dialog, in Spanish whatever the desktop's.
    const QString sugerido = destinoPdf_.sugerido.isEmpty()
                                 ? QDir(CarpetaDocumentos()).filePath(TextosVista::NombrePdf)
                                 : destinoPdf_.sugerido;
    QString ruta =
        QFileDialog::getSaveFileName(this, TextosVista::TituloPdf, sugerido, TextosVista::FiltroPdf,
                                     nullptr, QFileDialog::DontUseNativeDialog);
    if (ruta.isEmpty())
        return;
    if (!ruta.endsWith(TextosVista::ExtensionPdf, Qt::CaseInsensitive))
        ruta += TextosVista::ExtensionPdf;
    if (GuardarPdf(ruta) && destinoPdf_.recordar)
        destinoPdf_.recordar(QFileInfo(ruta).absolutePath());
}

bool VistaPrevia::GuardarPdf(const QString& ruta) {
    return Volcando(
        TextosVista::TituloPdf, TextosVista::Guardando, reporte_->TotalPaginas(),
        [&](const Reporte::Avance& avance) { return reporte_->ExportarPdf(ruta, avance); });
}
