#include "platform/gui/Puntero.h"

#include <QCursor>
#include <QGuiApplication>
#include <QThread>

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
    QThread::msleep(milisegundos);
}
