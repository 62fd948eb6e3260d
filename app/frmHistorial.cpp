#include "app/frmHistorial.h"

#include "app/TextosHistorial.h"
#include "platform/proceso/Mensajes.h"
#include "platform/proceso/TextoVisible.h"

#include <QAction>
#include <QBoxLayout>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

namespace {

constexpr int AltoInicial = 480;
constexpr int AnchoMinimo = 640;
// Room for the frame, the margins and the vertical scroll bar.
constexpr int Margenes = 60;
// A pause this long in the typing narrows the rows.
constexpr int EsperaFiltro = 100;

// A field of the copied text: a tab inside it would split its column.
QString Campo(const QModelIndex& indice) {
    return indice.data().toString().replace(u'\t', u' ');
}

} // namespace

frmHistorial::frmHistorial(Conexion& conexion, QWidget* padre)
    : QDialog(padre)
    , modelo_(new ModeloHistorial(conexion, this))
    , espera_(new QTimer(this)) {
    setWindowTitle(TextosHistorial::Titulo);
    espera_->setSingleShot(true);
    espera_->setInterval(EsperaFiltro);
    CrearControles();
    NombrarControles();
    ColocarControles();
    ConectarControles();
    grdCorridas->sortByColumn(ModeloHistorial::ColFecha, Qt::DescendingOrder);
}

void frmHistorial::CrearControles() {
    lblArchivo = new QLabel(TextosHistorial::EtiquetaArchivo, this);
    txtArchivo = new QLineEdit(this);
    txtArchivo->setClearButtonEnabled(true);
    lblArchivo->setBuddy(txtArchivo);
    lblArchivo->setObjectName(QStringLiteral("lblArchivo"));
    txtArchivo->setObjectName(QStringLiteral("txtArchivo"));

    CrearTabla();

    cmdVerListado = new QPushButton(TextosHistorial::VerListado, this);
    cmdVerListado->setDefault(true);
    cmdCopiar = new QPushButton(TextosHistorial::Copiar, this);
    cmdCerrar = new QPushButton(TextosHistorial::Cerrar, this);
    lblMotivo = new QLabel(this);
    lblMotivo->setWordWrap(true);
    lblMotivo->setObjectName(QStringLiteral("lblMotivo"));
    cmdVerListado->setObjectName(QStringLiteral("cmdVerListado"));
    cmdCopiar->setObjectName(QStringLiteral("cmdCopiar"));
    cmdCerrar->setObjectName(QStringLiteral("cmdCerrar"));
    setTabOrder(txtArchivo, grdCorridas);
    setTabOrder(grdCorridas, cmdVerListado);
    setTabOrder(cmdVerListado, cmdCopiar);
    setTabOrder(cmdCopiar, cmdCerrar);
    txtArchivo->setFocus();
}

void frmHistorial::CrearTabla() {
    // One model whose rows are read as they come into sight: the history may
    // hold a million runs.
    grdCorridas = new QTableView(this);
    grdCorridas->setObjectName(QStringLiteral("grdCorridas"));
    grdCorridas->setModel(modelo_);
    grdCorridas->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdCorridas->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grdCorridas->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdCorridas->setTabKeyNavigation(false);
    grdCorridas->setAlternatingRowColors(true);
    grdCorridas->setWordWrap(false);
    grdCorridas->verticalHeader()->hide();
    grdCorridas->horizontalHeader()->setStretchLastSection(true);
    grdCorridas->setSortingEnabled(true);
    for (int columna = 0; columna < int(TextosHistorial::Columnas.size()); ++columna) {
        auto* orden = new QAction(this);
        orden->setShortcut(QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_1 + columna)));
        orden->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(orden);
        connect(orden, &QAction::triggered, this, [this, columna] { Ordenar(columna); });
    }

    // Ctrl+C anywhere in the dialog but the filter box, which copies its own text.
    accCopiar = new QAction(QString(TextosHistorial::Copiar).remove(u'&'), this);
    accCopiar->setShortcut(QKeySequence::Copy);
    accCopiar->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(accCopiar);
    grdCorridas->addAction(accCopiar);
    grdCorridas->setContextMenuPolicy(Qt::ActionsContextMenu);
}

// What a screen reader says of each control.
void frmHistorial::NombrarControles() {
    const auto nombrar = [](QWidget* control, const QString& nombre, const QString& descripcion) {
        control->setAccessibleName(QString(nombre).remove(u'&'));
        control->setAccessibleDescription(descripcion);
    };
    nombrar(lblArchivo, TextosHistorial::EtiquetaArchivo, TextosHistorial::DescripcionFiltro);
    nombrar(txtArchivo, TextosHistorial::NombreFiltro, TextosHistorial::DescripcionFiltro);
    nombrar(grdCorridas, TextosHistorial::NombreTabla, TextosHistorial::DescripcionTabla);
    nombrar(cmdVerListado, TextosHistorial::VerListado, TextosHistorial::DescripcionVerListado);
    nombrar(cmdCopiar, TextosHistorial::Copiar, TextosHistorial::DescripcionCopiar);
    nombrar(cmdCerrar, TextosHistorial::Cerrar, TextosHistorial::DescripcionCerrar);
    // The reason's label is named by its text, as a reader expects of a label.
    lblMotivo->setAccessibleDescription(TextosHistorial::DescripcionMotivo);
    if (auto* borrar = txtArchivo->findChild<QToolButton*>()) {
        borrar->setAccessibleName(TextosHistorial::BorrarFiltro);
        borrar->setToolTip(TextosHistorial::BorrarFiltro);
    }
    cmdCopiar->setToolTip(TextosHistorial::DescripcionCopiar);
}

void frmHistorial::ColocarControles() {
    auto* filtro = new QHBoxLayout;
    filtro->addWidget(lblArchivo);
    filtro->addWidget(txtArchivo, 1);
    auto* botones = new QHBoxLayout;
    botones->addWidget(cmdVerListado);
    botones->addWidget(cmdCopiar);
    botones->addWidget(lblMotivo, 1);
    botones->addWidget(cmdCerrar);
    auto* todo = new QVBoxLayout(this);
    todo->addLayout(filtro);
    todo->addWidget(grdCorridas, 1);
    todo->addLayout(botones);
}

void frmHistorial::Leer() {
    modelo_->Leer();
    // As wide as the first page's columns need, within the screen.
    grdCorridas->resizeColumnsToContents();
    const int ancho = grdCorridas->horizontalHeader()->length() + Margenes;
    const int pantalla = screen() ? screen()->availableGeometry().width() * 9 / 10 : ancho;
    resize(std::clamp(ancho, AnchoMinimo, std::max(AnchoMinimo, pantalla)), AltoInicial);
}

void frmHistorial::ConectarControles() {
    connect(txtArchivo, &QLineEdit::textChanged, espera_, qOverload<>(&QTimer::start));
    connect(espera_, &QTimer::timeout, this, [this] { txtArchivo_Change(); });
    connect(modelo_, &QAbstractItemModel::modelReset, this, [this] { grdCorridas_Reset(); });
    connect(modelo_, &QAbstractItemModel::rowsInserted, this, [this] { grdCorridas_Reset(); });
    // Told after the view's own call has returned.
    connect(
        modelo_, &ModeloHistorial::Fallo, this,
        [](const QString& descripcion) {
            MsgBox(TextosHistorial::NoSeLee.arg(TextoVisible(descripcion)), IconoMensaje::Critico);
        },
        Qt::QueuedConnection);
    connect(grdCorridas->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { grdCorridas_SelChange(); });
    connect(grdCorridas, &QTableView::doubleClicked, cmdVerListado, &QPushButton::click);
    connect(accCopiar, &QAction::triggered, this, [this] { cmdCopiar_Click(); });
    connect(cmdCopiar, &QPushButton::clicked, this, [this] { cmdCopiar_Click(); });
    connect(cmdVerListado, &QPushButton::clicked, this, [this] { cmdVerListado_Click(); });
    connect(cmdCerrar, &QPushButton::clicked, this, &QDialog::reject);
}

int frmHistorial::FilaElegida() const {
    const QModelIndexList filas = grdCorridas->selectionModel()->selectedRows();
    return filas.size() == 1 ? filas.constFirst().row() : -1;
}

// The rows narrowed as the operator types, once the typing pauses.
void frmHistorial::txtArchivo_Change() {
    modelo_->Filtrar(txtArchivo->text());
}

void frmHistorial::Ordenar(int columna) {
    Qt::SortOrder orden =
        columna == ModeloHistorial::ColFecha ? Qt::DescendingOrder : Qt::AscendingOrder;
    if (columna == modelo_->ColumnaOrden())
        orden = modelo_->Orden() == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    grdCorridas->sortByColumn(columna, orden);
}

// The rows were read again: the first of them chosen as soon as it is in.
void frmHistorial::grdCorridas_Reset() {
    if (modelo_->rowCount() == 0) {
        elegirPrimera_ = true;
    } else if (elegirPrimera_) {
        elegirPrimera_ = false;
        grdCorridas->selectRow(0);
    }
    grdCorridas_SelChange();
}

// The listing only of a run whose rows are the ones that stand; otherwise
// the button says why not.
void frmHistorial::grdCorridas_SelChange() {
    const int fila = FilaElegida();
    QString motivo;
    if (fila < 0)
        motivo = TextosHistorial::SinEleccion;
    else if (modelo_->Corrida(fila).estado == CorridaHistorial::Reemplazada)
        motivo = TextosHistorial::Reemplazada;
    else if (modelo_->Corrida(fila).estado == CorridaHistorial::Inconclusa)
        motivo = TextosHistorial::Inconclusa;
    cmdVerListado->setEnabled(motivo.isEmpty());
    const QString descripcion = motivo.isEmpty() ? TextosHistorial::DescripcionVerListado : motivo;
    cmdVerListado->setToolTip(descripcion);
    cmdVerListado->setAccessibleDescription(descripcion);
    lblMotivo->setText(motivo);
    cmdCopiar->setEnabled(grdCorridas->selectionModel()->hasSelection());
    accCopiar->setEnabled(cmdCopiar->isEnabled());
}

// The selected rows in the order shown, under a line of headings.
void frmHistorial::cmdCopiar_Click() {
    QModelIndexList filas = grdCorridas->selectionModel()->selectedRows();
    std::sort(filas.begin(), filas.end());
    QStringList lineas{TextosHistorial::Columnas.join(u'\t')};
    for (const QModelIndex& fila : std::as_const(filas)) {
        QStringList campos;
        for (int columna = 0; columna < modelo_->columnCount(); ++columna)
            campos << Campo(fila.siblingAtColumn(columna));
        lineas << campos.join(u'\t');
    }
    QGuiApplication::clipboard()->setText(lineas.join(u'\n') + u'\n');
}

void frmHistorial::cmdVerListado_Click() {
    const int fila = FilaElegida();
    if (fila < 0 || modelo_->Corrida(fila).estado != CorridaHistorial::Vigente)
        return;
    elegida_ = fila;
    accept();
}
