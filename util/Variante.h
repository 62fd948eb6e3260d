#pragma once

#include <QMetaType>
#include <QString>
#include <QVariant>

#include <optional>

// The values a variant holds in this system: Empty (an invalid QVariant), the
// database null (a NuloBaseDatos), a text, a number, a Boolean, a date, a time
// of day or a date and time. Any other content has no text form.
//
// Text forms follow fixed conventions rather than the host's regional
// settings: "." as the decimal separator and no digit grouping; numbers with at
// most 15 significant digits (7 for single precision) and an exponent beyond
// that ("1E+15", "1E-05"); dates "MM/dd/yyyy", times "HH:mm:ss" (24 hours), a
// date and time both, separated by a space, the time left out at midnight;
// Booleans "Verdadero" and "Falso".

struct NuloBaseDatos {};
bool operator==(NuloBaseDatos, NuloBaseDatos);
Q_DECLARE_METATYPE(NuloBaseDatos)

// The database null as a variant.
QVariant NuloBD();
bool EsNuloBD(const QVariant& valor);
// Empty: the variant that holds nothing.
bool EsVacio(const QVariant& valor);
// Whether the variant holds a text (a QString or a QChar).
bool EsTexto(const QVariant& valor);
// Whether the variant holds a number (integer or floating point).
bool EsNumero(const QVariant& valor);

// Raises error 13 when the value has no text form (nor Empty nor null).
void ExigirTextoConvertible(const QVariant& valor);

// The text form of a value; Empty is the empty text. Raises error 94 for the
// database null and error 13 for a value with no text form.
QString TextoDe(const QVariant& valor);

// A number written in the conventions above: 15 significant digits at most.
// Raises error 6 for a value that is not finite.
QString TextoDeNumero(double numero);

// The value as a number for comparisons: Empty is 0, true is -1, a date is its
// serial (days since 12/30/1899, the time as a fraction), a text that reads as
// a number is that number; anything else has none.
std::optional<double> NumeroComparable(const QVariant& valor);
