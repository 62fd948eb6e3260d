#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QString>

#include <functional>

class QProgressDialog;
class QWidget;

// Gives a progress dialog its title, wide enough for a window manager to show
// it whole, and a name to its bar.
void PrepararDialogoProgreso(QProgressDialog& dialogo, const QString& titulo);

// The progress of a long task run on the window's own thread. The window
// keeps painting; a task that takes more than half a second shows, by then, a
// window-modal dialog of how far it went, with a Cancelar button (Esc too).
class ProgresoVentana {
public:
    explicit ProgresoVentana(QWidget* ventana);
    ~ProgresoVentana();
    ProgresoVentana(const ProgresoVentana&) = delete;
    ProgresoVentana& operator=(const ProgresoVentana&) = delete;

    // `hechos` of `total` done; `texto` says so in words. Lets the window
    // handle its events. False once the operator cancelled.
    bool Avanzar(qint64 hechos, qint64 total, const std::function<QString()>& texto);

    // Milliseconds since the task began.
    qint64 Transcurrido() const { return reloj_.elapsed(); }

    static constexpr int EsperaDialogo = 500;

private:
    QWidget* ventana_;
    QElapsedTimer reloj_;
    qint64 ultimo_ = -1;
    qint64 ultimoTexto_ = -1;
    QPointer<QProgressDialog> dialogo_;
};
