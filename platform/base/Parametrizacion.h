#pragma once

#include <QList>
#include <QString>
#include <QStringView>
#include <QVarLengthArray>

// A statement split into its form, each text literal replaced by a "?", and
// the literals' values in order. Statements that differ only in their literals
// share one form, so one prepared statement serves them all, with the values
// bound exactly as the text spells them.
//
// The values are views into the statement's text, or into the sentence's own
// storage for a literal whose doubled apostrophes had to be undone: they are
// valid while that text lives and until the next Parametrizar.
struct SentenciaParametrizada {
    QString forma;
    QVarLengthArray<qsizetype, 4> huecos; // where each "?" of the form stands
    QVarLengthArray<QStringView, 4> literales;
    QList<QString> deshechos; // storage of the literals read back from doubled apostrophes
};

// False when a literal is not closed: the statement then goes as it is.
bool Parametrizar(QStringView sql, SentenciaParametrizada& sentencia);
