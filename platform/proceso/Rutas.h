#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Paths as the file system has them: bytes, most often UTF-8. A path whose
// bytes are not UTF-8 still names a file: each byte that is not part of a
// UTF-8 sequence travels in the text as a lone surrogate (U+DC80 to U+DCFF)
// and goes back to the same byte, so such a file opens like any other.

QString RutaDesdeBytes(QByteArrayView bytes);

// UTF-8 as text, every character kept: QString::fromUtf8 drops a leading U+FEFF.
QString DesdeUtf8(QByteArrayView bytes);
QByteArray RutaABytes(QStringView ruta);

// The text of a name with those bytes written as "\xFF": a text that other
// programs can store and show, and a key: two names never share one. A
// backslash that the reader could take for the start of an escape (one
// followed by another backslash, by a byte's escape, or by "x" and two
// capital hexadecimal digits from 80 to FF) is written twice, "\\"; every
// other character stays, so a name with neither backslash nor odd byte is
// its own text. Read back: "\\" is one backslash, "\x80" to "\xFF" is
// that byte, and any other backslash is itself.
QString NombreLegible(QStringView nombre);

// Where the operator's own files are: the Documents folder of the desktop's
// user folders when it exists, otherwise the home folder.
QString CarpetaDocumentos();
