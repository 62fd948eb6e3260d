#include "platform/Puntero.h"

#include <QCursor>
#include <QGuiApplication>
#include <QThread>

namespace {
int gPuntero = PunteroPredeterminado;
}

void EstablecerPuntero(int valor) {
    if (valor == gPuntero)
        return;
    gPuntero = valor;
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return;
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
    if (valor == PunteroReloj)
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

int PunteroActual() {
    return gPuntero;
}

void Sleep(unsigned long milisegundos) {
    QThread::msleep(milisegundos);
}
