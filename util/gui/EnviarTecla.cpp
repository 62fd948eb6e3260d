#include "util/gui/EnviarTecla.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

void EnviarTecla(const QString& Tecla) {
    Q_UNUSED(Tecla);
    QWidget* destino = QApplication::focusWidget();
    if (destino == nullptr)
        return;
    const QString tab(QLatin1Char('\t'));
    QCoreApplication::postEvent(destino,
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier, tab));
    QCoreApplication::postEvent(
        destino, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Tab, Qt::NoModifier, tab));
}
