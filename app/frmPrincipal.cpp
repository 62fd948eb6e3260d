#include "app/frmPrincipal.h"

#include "app/modGral.h"
#include "platform/gui/ControlReporte.h"
#include "platform/gui/DialogoComun.h"

#include <QCloseEvent>

frmPrincipal::frmPrincipal(QWidget* padre)
    : QWidget(padre)
    , dlgArchivo(new DialogoComun(this))
    , rpt(new ControlReporte(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromUtf8(Textos::TituloVentana));
    setFixedSize(363, 114);
    Form_Load();
}

frmPrincipal::~frmPrincipal() {
    if (gPrincipal == this)
        gPrincipal = nullptr;
}

void frmPrincipal::Activar() {
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

void frmPrincipal::Form_Load() {
    gSistemaArchivos = std::make_unique<SistemaArchivos>();
}

void frmPrincipal::Form_Unload() {
    gSistemaArchivos.reset();
    gConexion.reset();
    gPrincipal = nullptr;
}

void frmPrincipal::closeEvent(QCloseEvent* evento) {
    Form_Unload();
    evento->accept();
}
