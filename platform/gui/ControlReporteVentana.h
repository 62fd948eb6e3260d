#pragma once

#include "platform/gui/VistaPrevia.h"
#include "platform/reporte/ControlReporte.h"

#include <QList>
#include <QPointer>

class QWidget;

// The report control placed on a window: besides PDF files it shows the
// preview (destination 0) and prints (destination 1). Its previews close with
// the window that carries it.
class ControlReporteVentana : public ControlReporte {
    Q_OBJECT
public:
    explicit ControlReporteVentana(QWidget* ventana);
    ~ControlReporteVentana() override;

    // The preview windows this control opened and that are still open.
    QList<VistaPrevia*> Vistas() const;

    // Given to the previews opened from now on.
    VistaPrevia::DestinoPdf destinoPdf;

protected:
    void Mostrar(std::unique_ptr<Reporte> reporte, int destino) override;

private:
    QWidget* ventana_;
    QList<QPointer<VistaPrevia>> vistas_;
};
