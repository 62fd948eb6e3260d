#pragma once

#include <QAbstractButton>
#include <QIcon>

// The picture button: a raised panel with a 32 x 32 picture and an optional
// caption beside it ("&Aceptar" gives the access key Alt+A). A click never
// takes the focus; Tab still reaches it. Disabled, picture and caption grey out.
class BotonImagen : public QAbstractButton {
    Q_OBJECT
public:
    explicit BotonImagen(const QIcon& imagen, const QString& titulo, QWidget* padre);

    static constexpr int LadoImagen = 32;

protected:
    void paintEvent(QPaintEvent* evento) override;
    bool event(QEvent* evento) override;

private:
    void PintarImagenYTitulo(class QPainter& pintor, const QRect& area) const;
};
