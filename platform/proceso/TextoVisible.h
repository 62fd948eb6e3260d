#pragma once

#include <QString>
#include <QStringView>

// The text with every character that would hide or disguise what it says
// written as a visible escape: control characters ("\n", "\r", "\x1B"...)
// but the tab, the marks that reorder text ("\u202E"...), and the bytes of a
// file name that are not UTF-8 ("\xFF"). For names shown in the listing and
// in messages: "a\nb.txt" and "\u202Etxt.exe" read as what they are.
QString TextoVisible(QStringView texto);
