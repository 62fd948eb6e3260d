#pragma once

#include <QPixmap>
#include <QString>
#include <QWidget>

#include <functional>

class BotonImagen;
class ControlReporte;
class DialogoComun;
class QLabel;
class QLineEdit;

// The program's one window: the path of the debit file, a browse button, the
// accept button that starts the run and a cancel button.
class frmPrincipal : public QWidget {
    Q_OBJECT
public:
    explicit frmPrincipal(QWidget* padre = nullptr);
    ~frmPrincipal() override;

    // Tests watch the unload: the hook runs after each of its steps.
    using TestigoDescarga = std::function<void()>;
    static void EstablecerTestigoDescarga(TestigoDescarga testigo);

public slots:
    // Brings the window to the front, as a later start asks.
    void Activar();

protected:
    void closeEvent(QCloseEvent* evento) override;
    void paintEvent(QPaintEvent* evento) override;
    // Key preview: every key reaches the window before the control with the focus.
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    void CrearControles();
    void ColocarControles();
    void Form_Load();
    void Form_Unload();
    // True when the key was consumed.
    bool Form_KeyPress(int& KeyAscii);
    bool ExisteArchivo() const;
    void txtRutaArchivo_Change();
    void txtRutaArchivo_GotFocus();
    void cmdCancelar_Click();

    // The browse button's handler (app/cmdBuscarArchivo_Click.cpp).
    void cmdBuscarArchivo_Click();
    // The accept button's run (run/cmdAceptar_Click.cpp).
    void cmdAceptar_Click();
    // The listing of one file's rows (run/ImprimirListado.cpp).
    void ImprimirListado(QString& strArchivo, QString& strHash);

    // Components carried by the window, invisible at run time.
    DialogoComun* dlgArchivo;
    ControlReporte* rpt;

    QLineEdit* txtRutaArchivo = nullptr;
    BotonImagen* cmdBuscarArchivo = nullptr;
    BotonImagen* cmdAceptar = nullptr;
    BotonImagen* cmdCancelar = nullptr;
    QLabel* Label1 = nullptr;

    // Full path of the settings file.
    QString strArchivoIni;

    QPixmap fondo_;
    // The path box got the focus from a click: the press that follows must not
    // undo the selection.
    bool focoPorClic_ = false;
};
