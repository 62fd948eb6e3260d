#pragma once

#include <QtGlobal>

#include <vector>

// What one aggregate query tells about the rows of a listing.
struct ResumenDatos {
    qint64 filas = 0;
    qint64 primerId = 0; // smallest and largest rowid among them
    qint64 ultimoId = 0;
    qint64 longitudMaxima = 0; // in characters
    qint64 lineas = 0;         // printed lines, long rows wrapped
};

// Where a page starts: the row and how many of its printed lines an earlier
// page already took.
struct InicioPagina {
    qint64 id = 0;
    qint64 saltar = 0;
};

// Page arithmetic of a listing: every page holds `lineasPorPagina` printed
// lines; a row takes one line per `caracteresPorLinea` characters (at least
// one); after the last row comes one closing line. When no row wraps and the
// rowids have no gaps, page k is a rowid range; otherwise the starts of the
// pages are fed in (AgregarFila or AgregarTramo, in rowid order).
class Paginacion {
public:
    Paginacion(const ResumenDatos& resumen, int lineasPorPagina, int caracteresPorLinea);

    static qint64 LineasDeFila(qint64 longitud, int caracteresPorLinea);

    qint64 TotalPaginas() const;
    int LineasPorPagina() const { return lineasPorPagina_; }
    int CaracteresPorLinea() const { return caracteresPorLinea_; }
    const ResumenDatos& Resumen() const { return resumen_; }

    // True when page k is the rowid range RangoIds(k).
    bool PorRango() const;
    struct Rango {
        qint64 desde = 0;
        qint64 hasta = -1; // inclusive; hasta < desde means no rows
    };
    Rango RangoIds(qint64 pagina) const;

    // Detail lines on page k (without the closing line) and whether the
    // closing line is on it.
    qint64 LineasDetalle(qint64 pagina) const;
    bool TieneCierre(qint64 pagina) const;

    // Feeding of the rows when not PorRango(), in rowid order; then Inicio(k)
    // gives page k's start. AgregarTramo takes a row with the printed lines
    // before it, so rows in which no page starts may be left out.
    void AgregarFila(qint64 id, qint64 longitud);
    void AgregarTramo(qint64 id, qint64 antes, qint64 lineas);
    InicioPagina Inicio(qint64 pagina) const;
    bool InicioConocido(qint64 pagina) const;

private:
    ResumenDatos resumen_;
    int lineasPorPagina_;
    int caracteresPorLinea_;
    std::vector<InicioPagina> inicios_;
    qint64 lineasVistas_ = 0;
};
