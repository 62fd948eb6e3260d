#pragma once

#include <QString>
#include <QWidget>

class ControlReporte;
class DialogoComun;

// The program's one window.
class frmPrincipal : public QWidget {
    Q_OBJECT
public:
    explicit frmPrincipal(QWidget* padre = nullptr);
    ~frmPrincipal() override;

public slots:
    // Brings the window to the front, as a later start asks.
    void Activar();

protected:
    void closeEvent(QCloseEvent* evento) override;

private:
    void Form_Load();
    void Form_Unload();

    // The accept button's run (run/cmdAceptar_Click.cpp).
    void cmdAceptar_Click();
    // The listing of one file's rows (run/ImprimirListado.cpp).
    void ImprimirListado(QString& strArchivo, QString& strHash);

    // Components carried by the window, invisible at run time.
    DialogoComun* dlgArchivo;
    ControlReporte* rpt;
};
