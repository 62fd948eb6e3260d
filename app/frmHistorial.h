#pragma once

#include "app/ModeloHistorial.h"

#include <QDialog>

#include <vector>

class QAction;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTimer;

// The run history: every run attempt, newest first, narrowed to the files
// whose name holds what the operator types and sorted by any column, by its
// header or by Ctrl and the column's number; the selected rows copied as
// tab-separated text, and the listing asked for of a run whose rows still
// stand.
class frmHistorial : public QDialog {
    Q_OBJECT
public:
    frmHistorial(Conexion& conexion, QWidget* padre);

    // The first page, newest first. Raises the database's error.
    void Leer();

    // The run whose listing the operator asked for, once the dialog is accepted.
    const CorridaHistorial& Elegida() const { return modelo_->Corrida(elegida_); }

private:
    void CrearControles();
    void CrearTabla();
    void NombrarControles();
    void ColocarControles();
    void ConectarControles();
    // The model's row of the one selected run; -1 when none, or more than one.
    int FilaElegida() const;
    void txtArchivo_Change();
    // Ctrl+N: by the N-th column; again, the other way.
    void Ordenar(int columna);
    // After the rows were read again: the first one chosen.
    void grdCorridas_Reset();
    void grdCorridas_SelChange();
    void cmdCopiar_Click();
    void cmdVerListado_Click();

    ModeloHistorial* modelo_;
    // The filter waits for a pause in the typing.
    QTimer* espera_;
    bool elegirPrimera_ = false;
    QLabel* lblArchivo = nullptr;
    QLineEdit* txtArchivo = nullptr;
    QTableView* grdCorridas = nullptr;
    QAction* accCopiar = nullptr;
    QPushButton* cmdVerListado = nullptr;
    QPushButton* cmdCopiar = nullptr;
    // Why the listing cannot be shown, in sight of a keyboard user too.
    QLabel* lblMotivo = nullptr;
    QPushButton* cmdCerrar = nullptr;
    int elegida_ = 0;
};
