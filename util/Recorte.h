#pragma once

#include <QString>
#include <QStringView>

// The text without its leading and trailing spaces. Only the space character
// (U+0020) is removed: tabs and other blanks stay, as the system's trimming
// has always done.
QStringView RecortarEspacios(QStringView texto);

// The same, in place: the text keeps its buffer.
void QuitarEspacios(QString& texto);
