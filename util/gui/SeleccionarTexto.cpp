#include "util/gui/SeleccionarTexto.h"

#include <QLabel>
#include <QLineEdit>

QString NombreTipo(const QWidget* Objeto) {
    if (qobject_cast<const QLineEdit*>(Objeto) != nullptr)
        return QStringLiteral("TextBox");
    if (qobject_cast<const QLabel*>(Objeto) != nullptr)
        return QStringLiteral("Label");
    return QString::fromLatin1(Objeto->metaObject()->className());
}

void SeleccionarTexto(QWidget* Objeto) {
    const QString tipo = NombreTipo(Objeto);
    if (tipo != QLatin1String("TextBox") && tipo != QLatin1String("dtText") &&
        tipo != QLatin1String("MaskEdBox"))
        return;
    auto* edicion = qobject_cast<QLineEdit*>(Objeto);
    if (edicion == nullptr)
        return;
    // SelStart 0, then SelLength the whole text.
    edicion->setCursorPosition(0);
    edicion->setSelection(0, static_cast<int>(edicion->text().size()));
}
