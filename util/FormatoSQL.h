#pragma once

#include <QString>
#include <QVariant>

#include <cstdint>

// The kinds of value FormatoSQL writes.
enum TipoSQL : int32_t {
    tsNumero = 0,
    tsFecha = 1,
    tsTexto = 2,
    tsBooleano = 3,
    tsHora = 4,
};

// The text of an SQL literal (Jet dialect) for `Valor`, so that statements can
// be built by plain concatenation. The database null (NuloBD()) is "Null" for
// every `Tipo`; otherwise:
//
//  tsNumero    a number, or a text that reads as one (util/Val.h), is written
//              from the number its text form begins with: 15 significant digits
//              at most, "." as the decimal separator, never a comma. Anything
//              else (Empty, a Boolean, a date, other text) is "Null", and so is
//              zero when `NuloSiVacio` is true.
//  tsFecha     a date, a date and time, or a text that reads as one:
//              "#MM/dd/yyyy#"; anything else (a time alone too) is "Null".
//  tsTexto     'text' with every ' doubled and the spaces at either end
//              removed; Empty or the empty text is "Null" when `NuloSiVacio` is
//              true, '' otherwise.
//  tsBooleano  "-1" when the value is -1, the text "Verdadero" or "True" (case
//              counts), true, or any other non-zero number (a date or a time
//              counts as its serial number, a text as the number it reads as);
//              otherwise "0" (false, zero, Empty, and a text that is none of those).
//  tsHora      Empty or the empty text is "Null"; otherwise 'HH:mm:ss' of the
//              value's time of day (00:00:00 for a date alone; a number counts as
//              a serial date); a text that is not a time is written as text.
//  other       the empty text.
//
// Regional settings are not taken from the host: the separators are fixed ("."
// for decimals, "/" in dates, ":" in times) so that the literals read the same
// on every host and a decimal never turns into a comma. Texts read as dates are
// "M/d/yyyy" and ISO "yyyy-MM-dd", either optionally followed by a time
// "H:mm[:ss]"; years run from 100 to 9999.
//
// Raises error 13 for a value with no text form (kinds 0 to 4 only) and error 6
// for a number that overflows.
QString FormatoSQL(const QVariant& Valor, int32_t Tipo, const bool& NuloSiVacio);
