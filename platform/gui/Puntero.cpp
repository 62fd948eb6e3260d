#include "platform/gui/Puntero.h"

#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>

void EstablecerPuntero(int valor) {
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
    if (valor == PunteroReloj)
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

int PunteroActual() {
    return QGuiApplication::overrideCursor() ? PunteroReloj : PunteroPredeterminado;
}

void Sleep(unsigned long milisegundos) {
    // The window goes on painting while the thread waits.
    QEventLoop espera;
    QTimer::singleShot(int(milisegundos), &espera, &QEventLoop::quit);
    espera.exec();
}
