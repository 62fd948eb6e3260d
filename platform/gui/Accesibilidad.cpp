#include "platform/gui/Accesibilidad.h"

#include "platform/gui/LienzoAccesible.h"
#include "platform/gui/LienzoPaginas.h"

#include <QAccessibleWidget>

namespace {
QAccessibleInterface* Fabrica(const QString& clase, QObject* objeto) {
    if (auto* lienzo = qobject_cast<LienzoPaginas*>(objeto))
        return new LienzoAccesible(lienzo);
    // Qt takes a plain widget for a filler even when it is a window of its own;
    // asked first by the widget's own class, answered only for one made
    // straight from QWidget.
    auto* ventana = qobject_cast<QWidget*>(objeto);
    if (ventana && ventana->isWindow() &&
        clase == QLatin1String(ventana->metaObject()->className()) &&
        ventana->metaObject()->superClass() == &QWidget::staticMetaObject)
        return new QAccessibleWidget(ventana, QAccessible::Window);
    return nullptr;
}
} // namespace

void RegistrarAccesibilidad() {
    static const bool registrada = [] {
        QAccessible::installFactory(Fabrica);
        return true;
    }();
    Q_UNUSED(registrada);
}
