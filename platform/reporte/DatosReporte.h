#pragma once

#include "platform/reporte/Paginacion.h"

#include <QList>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <functional>

// One row of the listing: its position key and its detail text.
struct FilaListado {
    qint64 id = 0;
    QString texto;
};

// The rows of one listing, read through ODBC (Qt's QODBC driver) from an
// embedded SQLite file or a PostgreSQL server: one table, one detail field,
// optionally restricted to the rows whose `campoFiltro` equals `valorFiltro`.
// Rows come in the order they were stored (SQLite's rowid, the server's
// identity column id). Names come from the template and are checked against
// the data source; values are always bound.
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

    // Opens the data source named by the connection string ("DSN=name;...",
    // or "DRIVER=...;...") and checks the table and both fields, and the
    // guard. Raises 20520, 20525, 20526 or 20535.
    DatosReporte(const QString& conexion, const Consulta& consulta);
    ~DatosReporte();
    DatosReporte(const DatosReporte&) = delete;
    DatosReporte& operator=(const DatosReporte&) = delete;

    // Count, key span, longest text and printed lines. Raises 20530.
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

    // The name of the QODBC connection argument for a connection string: a
    // bare data source name gets the driver options the listing needs.
    static QString NombreConexion(const QString& conexion);

private:
    void Comprobar();
    void Cerrar();
    QString Desde() const;
    // Prepares the query, binds the filter's and the guard's values and then
    // `valores`, runs it.
    QSqlQuery Ejecutar(const QString& sql, const QVariantList& valores);
    QList<FilaListado> Filas(const QString& sql, const QVariantList& valores);

    QString nombre_;
    QString conexion_;
    Consulta consulta_;
    // The dialect: the column that keeps the order, and the larger of two.
    QString orden_ = QStringLiteral("rowid");
    bool servidor_ = false;
};
