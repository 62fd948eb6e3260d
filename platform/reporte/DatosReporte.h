#pragma once

#include "platform/reporte/Paginacion.h"

#include <QList>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <functional>

// One row of the listing: its rowid and its detail text.
struct FilaListado {
    qint64 id = 0;
    QString texto;
};

// The rows of one listing, read through ODBC (Qt's QODBC driver): one table,
// one detail field, optionally restricted to the rows whose `campoFiltro`
// equals `valorFiltro`. Names come from the template and are checked against
// the data source; values are always bound.
class DatosReporte {
public:
    struct Consulta {
        QString nombreEnPlantilla; // the table's name in the template, for messages
        QString tabla;
        QString campoDetalle;
        bool filtrar = false;
        QString campoFiltro;
        QString valorFiltro;
    };

    // Opens the data source named by the connection string ("DSN=name;...")
    // and checks the table and both fields. Raises 20520, 20525 or 20526.
    DatosReporte(const QString& conexion, const Consulta& consulta);
    ~DatosReporte();
    DatosReporte(const DatosReporte&) = delete;
    DatosReporte& operator=(const DatosReporte&) = delete;

    // Count, rowid span, longest text and printed lines. Raises 20530.
    ResumenDatos Resumir(int caracteresPorLinea);
    // In rowid order, every row in which a page of `lineasPorPagina` lines
    // starts: its rowid, the printed lines before it and its own. With
    // `caracteresPorLinea` 0 no row wraps. Raises 20530.
    void
    RecorrerInicios(int caracteresPorLinea, int lineasPorPagina,
                    const std::function<void(qint64 id, qint64 antes, qint64 lineas)>& visitar);
    // Rows with desde <= rowid <= hasta, in rowid order. Raises 20530.
    QList<FilaListado> FilasEntre(qint64 desde, qint64 hasta);
    // At most `limite` rows from rowid `desde` on. Raises 20530.
    QList<FilaListado> FilasDesde(qint64 desde, int limite);

    // The name of the QODBC connection argument for a connection string:
    // a bare data source name, with the driver options the listing needs.
    static QString NombreConexion(const QString& conexion);

private:
    void Comprobar();
    void Cerrar();
    QString Desde() const;
    // Prepares the query, binds the filter's value and then `valores`, runs it.
    QSqlQuery Ejecutar(const QString& sql, const QVariantList& valores);
    QList<FilaListado> Filas(const QString& sql, const QVariantList& valores);

    QString nombre_;
    QString conexion_;
    Consulta consulta_;
};
