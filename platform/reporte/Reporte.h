#pragma once

#include "platform/reporte/DatosReporte.h"
#include "platform/reporte/DisposicionPagina.h"
#include "platform/reporte/LectorFormulas.h"
#include "platform/reporte/PaginaListado.h"
#include "platform/reporte/Paginacion.h"
#include "platform/reporte/PintorPagina.h"
#include "platform/reporte/Plantilla.h"

#include <QHash>

#include <functional>
#include <memory>

class QPagedPaintDevice;
class QPainter;

// A listing ready to be shown: the template, its rows and its page count.
// Pages are read from the data source when asked for, a few kept at hand.
class Reporte {
public:
    // Raises the engine's errors: the data source, its table and fields, the
    // formula fields the template does not declare, the first reading. With a
    // `marca` and a template that declares where runs are recorded, only the
    // rows of that run are read (20535 once a later one replaced them).
    Reporte(Plantilla plantilla, const QString& conexion, const Seleccion& seleccion,
            const QList<Formula>& formulas, const QString& marca = QString());
    ~Reporte();

    qint64 TotalPaginas() const { return paginacion_->TotalPaginas(); }
    qint64 Filas() const { return paginacion_->Resumen().filas; }
    const DisposicionPagina& Disposicion() const { return *disposicion_; }
    const Paginacion& Paginas() const { return *paginacion_; }

    // Page k, from 0. Raises 20530 when its rows cannot be read, 20535 when
    // a later run replaced them.
    PaginaListado Pagina(qint64 k);
    // Page k's text, line by line as drawn; raises as Pagina does.
    QStringList Texto(qint64 k) { return pintor_->Texto(Pagina(k)); }
    // The value of the formula field `nombre`, as the pages show it.
    QString ValorFormula(const QString& nombre) const { return valores_.formulas.value(nombre); }
    // Draws page k with a painter whose unit is one point.
    void Pintar(QPainter& pintor, qint64 k);
    // Told after every page drawn, with the number drawn so far; returning
    // false stops the drawing.
    using Avance = std::function<bool(qint64 hechas)>;

    // Draws pages desde..hasta (from 0, inclusive) on a printer or a PDF
    // writer; raises 20540 when it cannot begin. Returns false when stopped.
    bool Volcar(QPagedPaintDevice& destino, qint64 desde, qint64 hasta, const Avance& avance = {});
    // Writes every page to a PDF file, replacing it only when all went well.
    // Returns false, leaving any earlier file as it was, when stopped.
    bool ExportarPdf(const QString& ruta, const Avance& avance = {});

    // How many pages have been read from the data source so far.
    qint64 PaginasLeidas() const { return paginasLeidas_; }

    // A row's printed lines, `caracteres` code points each (as the data
    // source counts its length).
    static QStringList PartirFila(const QString& texto, int caracteres);

private:
    PaginaListado Leer(qint64 k);
    void ValoresDeFormulas(const QList<Formula>& formulas);

    Plantilla plantilla_;
    std::unique_ptr<DisposicionPagina> disposicion_;
    std::unique_ptr<DatosReporte> datos_;
    std::unique_ptr<Paginacion> paginacion_;
    ValoresListado valores_;
    std::unique_ptr<PintorPagina> pintor_;
    QList<PaginaListado> guardadas_; // oldest first
    qint64 paginasLeidas_ = 0;
};
