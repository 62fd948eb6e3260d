#pragma once

#include "platform/reporte/FuenteFilas.h"
#include "platform/reporte/Paginacion.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>

// One row of the listing: its position key and its detail text.
struct FilaListado {
    qint64 id = 0;
    QString texto;
};

// The rows of one listing: one table, one detail field, optionally
// restricted to the rows whose `campoFiltro` equals `valorFiltro`. On a
// PostgreSQL server they come through the program's own libpq connection;
// from anything else (the embedded SQLite file) through ODBC. Rows come in
// the order they were stored (SQLite's rowid, the server's identity column
// id). Names come from the template and are checked against the data source;
// values are always bound.
//
// With a guard (`tablaVigencia`...), every query reads the rows only while
// the guard table records `valorMarca` for the filter's value, so one query
// never mixes the rows of two runs; when a later run has replaced them, the
// reads raise 20535.
class DatosReporte {
public:
    struct Consulta {
        QString nombreEnPlantilla; // the table's name in the template, for messages
        QString tabla;
        QString campoDetalle;
        bool filtrar = false;
        QString campoFiltro;
        QString valorFiltro;
        QString tablaVigencia; // empty: no guard
        QString campoClave;
        QString campoMarca;
        QString valorMarca;
    };

    // Opens the data source named by the connection string (ODBC's
    // "DSN=name;..." or "DRIVER=...;...", or a server's from CadenaServidor)
    // and checks the table and both fields, and the guard. Raises 20520,
    // 20525, 20526 or 20535.
    DatosReporte(const QString& conexion, const Consulta& consulta);
    ~DatosReporte();
    DatosReporte(const DatosReporte&) = delete;
    DatosReporte& operator=(const DatosReporte&) = delete;

    // Count, key span, longest text and printed lines. Raises 20530, also
    // for a detail longer than the longest line a run stores (1 MiB), which
    // the reads below refuse as well without holding it whole.
    ResumenDatos Resumir(int caracteresPorLinea);
    // In order, every row in which a page of `lineasPorPagina` lines starts:
    // its key, the printed lines before it and its own. With
    // `caracteresPorLinea` 0 no row wraps. Raises 20530.
    void
    RecorrerInicios(int caracteresPorLinea, int lineasPorPagina,
                    const std::function<void(qint64 id, qint64 antes, qint64 lineas)>& visitar);
    // Rows with desde <= key <= hasta, in order. Raises 20530.
    QList<FilaListado> FilasEntre(qint64 desde, qint64 hasta);
    // At most `limite` rows from key `desde` on. Raises 20530.
    QList<FilaListado> FilasDesde(qint64 desde, int limite);

    // Raises 20535 when the guard no longer records the listing's mark.
    void ComprobarVigencia();

    // The connection string of a listing read from a PostgreSQL server
    // through libpq, from the libpq connection string the run used.
    static QString CadenaServidor(const QString& cadenaLibpq);

private:
    void Comprobar();
    QString Desde() const;
    // The detail field as read: cut one character past the longest a listing takes.
    QString Detalle() const;
    // Runs the query with the filter's and the guard's values bound, then
    // `valores`.
    void Leer(const QString& sql, const QVariantList& valores,
              const std::function<void(const QStringList&)>& fila);
    QList<FilaListado> Filas(const QString& sql, const QVariantList& valores);

    Consulta consulta_;
    std::unique_ptr<FuenteFilas> fuente_;
    // The dialect: the column that keeps the order.
    QString orden_;
};
