#pragma once

#include <QString>
#include <QStringView>

// How TextoVisible writes what it escapes.
enum class FormaVisible {
    // "\n", "\t", "\x1B", "\u202E", a byte of a name that is not UTF-8 as
    // "\xFF": for a terminal, a message box, a CSV cell, a table.
    Texto,
    // The same, but a tab stays a tab: a line of a debit file on paper.
    Linea,
    // JSON's own "\u001b", quotes and backslashes escaped too: the text
    // comes back exact from any JSON reader.
    Json,
};

// The text with every character that would hide or disguise what it says
// written as a visible escape; the one place that decides which those are.
// Escaped: the C0 controls (tab included), DEL, the C1 controls, the marks
// that reorder text (U+061C, U+200E, U+200F, U+202A to U+202E, U+2066 to
// U+2069), the invisible ones that split or hide a line (U+200B, U+2028,
// U+2029, U+2060, U+FEFF), every other format character (the soft hyphen,
// the tags of U+E0000, as "\U000E0041") and the blank Hangul fillers, and
// lone surrogates (the bytes of a file name that are not UTF-8: "\x80" to
// "\xFF"; a C1 control is "\u0085"). A backslash that would read as the start
// of such an escape, or stands before one, is written twice, and so is each
// backslash of a run before it. Every other character, accents and
// scripts of every language among them (U+200C and U+200D join their
// letters), stays as it is.
// Everything read from the database, and every name, reaches a person or an
// export through here: "a\nb.txt" and "\u202Etxt.exe" read as what they are.
QString TextoVisible(QStringView texto, FormaVisible forma = FormaVisible::Texto);
