#pragma once

#include <QString>
#include <QVarLengthArray>

// A statement split into its form, each text literal replaced by a "?", and
// the literals' values in order. Statements that differ only in their literals
// share one form, so one prepared statement serves them all, with the values
// bound exactly as the text spells them.
struct SentenciaParametrizada {
    QString forma;
    QVarLengthArray<QString, 4> literales;
};

// False when a literal is not closed: the statement then goes as it is.
bool Parametrizar(QStringView sql, SentenciaParametrizada& sentencia);
