#pragma once

#include <QList>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <optional>

// Where a listing reads its rows: one engine's connection, its queries
// written with "?" for each value. Every failure is raised as an
// ErrorEjecucion numbered 20530 with the engine's reason.
class FuenteFilas {
public:
    virtual ~FuenteFilas() = default;

    // The column that keeps the rows' order: SQLite's rowid, the server's
    // identity column id.
    virtual QString Orden() const = 0;
    // The table's columns; nothing when there is no such table.
    virtual std::optional<QStringList> Columnas(const QString& tabla) = 0;
    // Runs the query with `valores` bound in order and tells `fila` each row,
    // its columns as text.
    virtual void Leer(const QString& sql, const QVariantList& valores,
                      const std::function<void(const QStringList&)>& fila) = 0;
};
