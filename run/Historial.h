#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class Conexion;
class Programa;

// The run history: one row for every run attempt, completed, failed or
// cancelled, added and never changed. Each row's `cadena` is the SHA-256, in
// lower-case hexadecimal, of the previous row's `cadena` (64 zeros before the
// first row) followed by each field from `inicio` to `error_descripcion`, in
// column order, written as its length in UTF-8 bytes in decimal, ":", its
// UTF-8 bytes and a line feed. A row changed, removed or slipped in
// afterwards breaks the chain from there on.
namespace Historial {

enum Campo {
    Id,
    Inicio,
    Fin,
    Modo,
    Usuario,
    Equipo,
    Version,
    Motor,
    Servidor,
    Base,
    Archivo,
    Ruta,
    Tamano,
    Modificado,
    Sha256,
    Codigo,
    Lineas,
    Filas,
    Corrida,
    Resultado,
    ErrorNumero,
    ErrorDescripcion,
    Cadena,
    NumeroCampos
};

// The table's columns, in field order.
const QStringList& Columnas();

// A row's texts in field order. Times are UTC, as "2026-12-07T17:03:22.123Z".
using Fila = QStringList;

// The outcomes, as the history writes them.
inline const QString Completada = QStringLiteral("completada");
inline const QString Fallida = QStringLiteral("fallida");
inline const QString Cancelada = QStringLiteral("cancelada");

// The time as the history writes it.
QString Momento(const QDateTime& momento);

// A new row for a run of the file at `ruta` that starts now: when, who,
// where, on which database, which file. The rest is the run's to fill.
Fila Nueva(const Programa& programa, const QString& ruta);

// The link of `fila` after the row whose link is `anterior`.
QString Eslabon(const QString& anterior, const Fila& fila);

// Adds `fila` at the end of the history, chained to the last row, inside the
// caller's transaction, and fills in its link.
void Agregar(Conexion& conexion, Fila& fila);

// Which rows to read: by file name, by start time (UTC, as Momento writes
// it; `hasta` excluded), by SHA-256 of the file, completed only.
struct Filtro {
    std::optional<QString> archivo;
    QString desde;
    QString hasta;
    QString sha256;
    bool completadas = false;
};

// Tells `lector` each row that passes `filtro`, newest first; false from
// `lector` stops.
void Leer(Conexion& conexion, const Filtro& filtro, const std::function<bool(const Fila&)>& lector);

// The chain, walked whole from the first row: how many rows, and the first
// one whose link does not follow (empty when none).
struct Comprobacion {
    qint64 filas = 0;
    Fila fila;
    // The broken row's number; empty when the chain holds.
    QString Rota() const { return fila.value(Id); }
};
Comprobacion Comprobar(Conexion& conexion);

} // namespace Historial
