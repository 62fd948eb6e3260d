#pragma once

#include "run/Historial.h"

#include <QString>

#include <functional>

class Conexion;

// The run history as batch mode writes it: an aligned table for a person,
// CSV (RFC 4180, CR LF, formulas neutralised) or JSON for a program. The rows
// go to `escribir` as they are read, newest first, never gathered whole: the
// first ones are out at once however long the history is. Every text read
// passes through TextoVisible. A row whose whole-number field holds anything
// else is damaged: `avisar` tells of it, JSON writes that field null and
// names it in "campos_danados", the table and CSV show what it holds.
// Returns how many rows were damaged.
enum class FormatoHistorial { Tabla, Csv, Json };

FormatoHistorial FormatoDeNombre(const QString& nombre);

qint64 ListarHistorial(Conexion& conexion, const Historial::Filtro& filtro,
                       FormatoHistorial formato,
                       const std::function<void(const QString&)>& escribir,
                       const std::function<void(const QString&)>& avisar);

// A time as the history stores it, in local time for a person to read; a
// text that is not one, as TextoVisible shows it.
QString FechaLocal(const QString& momento);

namespace TextosHistorial {
inline const QString Fecha = QStringLiteral("Fecha");
inline const QString Archivo = QStringLiteral("Archivo");
inline const QString Codigo = QStringLiteral("Código");
inline const QString Filas = QStringLiteral("Filas");
inline const QString Usuario = QStringLiteral("Usuario");
inline const QString Equipo = QStringLiteral("Equipo");
inline const QString Resultado = QStringLiteral("Resultado");
inline const QString ConError = QStringLiteral("%1: error %2, %3");
inline const QString FilaDanada = QStringLiteral("la corrida %1 del historial está dañada: %2");
inline const QString ValorDanado = QStringLiteral("%1 «%2» no es un número entero");
// A run's local time, in the terminal's table and the window's.
inline const QString FormatoFecha = QStringLiteral("dd/MM/yyyy HH:mm:ss");
} // namespace TextosHistorial
