#pragma once

#include <QStringView>

#include <optional>

// The number a text begins with. Blanks, tabs and line feeds are skipped
// wherever they stand; then an optional sign, digits with at most one "." and
// an optional exponent (E, an optional sign, digits); reading stops at the
// first character that cannot continue the number. "&H" and "&O" begin a
// hexadecimal and an octal integer. No leading number reads as 0; a comma is
// never a decimal separator. Raises error 6 when the number overflows.
double Val(QStringView texto);

// The number the whole text reads as, blanks aside at either end: a decimal
// number as above without blanks inside, or "&H"/"&O" and their digits. Nothing
// when the text is not such a number or overflows.
std::optional<double> NumeroDeTexto(QStringView texto);
