#pragma once

#include <QString>
#include <QStringView>

// The one spelling of an SQL text literal in this system, written by the run's
// statements and the listing's formulas and read back by the statement
// parameterization and the formula reader: the text between apostrophes, each
// apostrophe inside doubled.

// The literal of `texto`.
QString CitarLiteral(QStringView texto);

// Reads the literal whose opening apostrophe is at `inicio` in `texto` into
// `valor`, a doubled apostrophe read as one. Returns the position just after
// the closing apostrophe, or -1 when the literal is not closed.
qsizetype LeerLiteral(QStringView texto, qsizetype inicio, QString& valor);

// The same reading without a copy when it can: `vista` is the literal's text
// inside `texto` when it holds no doubled apostrophe, and otherwise views
// `valor`, which then holds the literal read back.
qsizetype LeerLiteral(QStringView texto, qsizetype inicio, QStringView& vista, QString& valor);
