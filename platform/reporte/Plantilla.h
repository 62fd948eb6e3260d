#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QString>
#include <QStringList>

// A font as the template names it: family and size in points.
struct FuenteTexto {
    QString familia;
    qreal puntos = 0;
};

// Where the data source records which rows of a selection are current: a
// table with one row per selection value (`clave`) and the mark of the rows
// stored for it (`marca`). Empty when the template declares none.
struct Vigencia {
    QString tabla;
    QString clave;
    QString marca;
};

// A report template: where its rows come from, the formula fields it declares
// and how its pages look. Texts may hold the marks {@Formula}, {fecha},
// {hora}, {pagina}, {paginas} and {filas}.
struct Plantilla {
    QString ruta;                   // the file it was read from
    QString origen;                 // connection string used when the caller gives none
    QHash<QString, QString> tablas; // table name in the template -> table in the data source
    QStringList formulas;           // declared formula fields, in order
    QHash<QString, QString> textosFormulas; // their default formula texts
    Vigencia vigencia;

    QPageSize::PageSizeId tamano = QPageSize::A4;
    QPageLayout::Orientation orientacion = QPageLayout::Portrait;
    QMarginsF margenesMm;

    QString titulo;
    FuenteTexto fuenteTitulo;
    QStringList encabezado; // one text per header line
    FuenteTexto fuenteEncabezado;

    QString tablaDetalle; // template table name of the detail field
    QString campoDetalle;
    FuenteTexto fuenteDetalle;
    qreal interlineado = 1.2;

    QString pie;
    FuenteTexto fuentePie;
    QString cierre;
};

// Reads the template file at `ruta`. Raises 20507 when the file cannot be found
// or opened, 20510 with the reason when it is not a valid template.
Plantilla LeerPlantilla(const QString& ruta);

// Reads a template from its bytes; `ruta` only names it in errors.
Plantilla LeerPlantillaDeTexto(const QByteArray& contenido, const QString& ruta);

// The marks a template text may hold besides the formula fields.
inline constexpr const char* MarcasEspeciales[] = {"fecha", "hora", "pagina", "paginas", "filas"};
