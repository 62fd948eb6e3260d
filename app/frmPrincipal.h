#pragma once

#include <QPixmap>
#include <QString>
#include <QWidget>

class BotonImagen;
class ControlReporteVentana;
class DialogoComun;
class Programa;
class QDragEnterEvent;
class QDropEvent;
class QKeyEvent;
class QLabel;
class QLineEdit;
struct ResultadoCorrida;

// The program's one window: the path of the debit file, a browse button, the
// accept button that starts the run and a cancel button.
class frmPrincipal : public QWidget {
    Q_OBJECT
public:
    // The window of `programa`, which it shares with the run and releases
    // when it closes.
    explicit frmPrincipal(Programa& programa, QWidget* padre = nullptr);

public slots:
    // Brings the window to the front, as a later start asks, with `archivo`,
    // when it is not empty, in the path box as if chosen in the dialog.
    void AbrirArchivo(const QString& archivo);

protected:
    void closeEvent(QCloseEvent* evento) override;
    void paintEvent(QPaintEvent* evento) override;
    // A file dropped on the window is taken as if chosen in the dialog.
    void dragEnterEvent(QDragEnterEvent* evento) override;
    void dropEvent(QDropEvent* evento) override;
    // Key preview: every key reaches the window before the control with the focus.
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    void CrearControles();
    void CrearRutaYEtiqueta();
    void ConectarControles();
    void ColocarControles();
    void NombrarControles();
    void Form_Load();
    void Form_Unload();
    // True when the key was consumed.
    bool Form_KeyPress(int& KeyAscii);
    bool Tecla(const QKeyEvent& tecla);
    bool ExisteArchivo() const;
    void txtRutaArchivo_Change();
    void txtRutaArchivo_GotFocus();
    void cmdCancelar_Click();
    // Ctrl+H: the run history, and the listing of a run chosen there (VerHistorial.cpp).
    void VerHistorial();
    // F1: the version, the database and the files in use (AcercaDe.cpp).
    void AcercaDe();

    // The browse button's handler (cmdBuscarArchivo_Click.cpp).
    void cmdBuscarArchivo_Click();
    // The file goes to the path box and its folder is remembered for the dialog.
    void ArchivoElegido(const QString& archivo);
    // The accept button's run (cmdAceptar_Click.cpp).
    void cmdAceptar_Click();
    ResultadoCorrida Correr();
    void Listar(const ResultadoCorrida& corrida);
    // The listing of one file's rows, those of the run `corrida`
    // (ImprimirListado.cpp).
    void ImprimirListado(const QString& strArchivo, const QString& strHash, const QString& corrida);
    // Reads that listing ahead, during the pause before it shows.
    void AnticiparListado(const QString& strArchivo, const QString& strHash,
                          const QString& corrida);

    Programa& programa_;

    // Components carried by the window, invisible at run time.
    DialogoComun* dlgArchivo;
    ControlReporteVentana* rpt;

    QLineEdit* txtRutaArchivo = nullptr;
    BotonImagen* cmdBuscarArchivo = nullptr;
    BotonImagen* cmdAceptar = nullptr;
    BotonImagen* cmdCancelar = nullptr;
    QLabel* Label1 = nullptr;

    // Full path of the settings file.
    QString strArchivoIni;

    QPixmap fondo_;
    // A run is under way; the operator asked to stop it, or to close the
    // window once it is over; the run's rows are committed.
    bool corriendo_ = false;
    bool cancelar_ = false;
    bool cerrarAlTerminar_ = false;
    bool confirmada_ = false;

    // The path box got the focus from a click: the press that follows must not
    // undo the selection.
    bool focoPorClic_ = false;
    // Placed with its frame, which the window manager adds after it shows.
    bool centradaConMarco_ = false;
};
