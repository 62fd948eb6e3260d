#pragma once

#include "platform/reporte/DisposicionPagina.h"
#include "platform/reporte/PaginaListado.h"
#include "platform/reporte/Plantilla.h"

class QPainter;

// The one routine that draws a page, for the screen, the printer and PDF alike.
// The painter's unit must be one point, with the origin at the page's top-left.
class PintorPagina {
public:
    PintorPagina(const Plantilla& plantilla, const DisposicionPagina& disposicion,
                 const ValoresListado& valores);

    void Pintar(QPainter& pintor, const PaginaListado& pagina) const;

    // What the page says, line by line in the order drawn, nothing cut short:
    // the title, the heading, the detail lines, the closing line and the foot.
    QStringList Texto(const PaginaListado& pagina) const;

    // The text with its marks replaced for one page.
    QString Sustituir(const QString& texto, const PaginaListado& pagina) const;

private:
    void PintarEncabezado(QPainter& pintor, const PaginaListado& pagina) const;
    void PintarDetalle(QPainter& pintor, const PaginaListado& pagina) const;
    void PintarPie(QPainter& pintor, const PaginaListado& pagina) const;

    const Plantilla& plantilla_;
    const DisposicionPagina& disposicion_;
    ValoresListado valores_;
};
