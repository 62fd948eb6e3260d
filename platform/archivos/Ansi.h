#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// The host's ANSI code page: Windows-1252, one character per byte. Reading a
// byte string and converting it back gives the same bytes, the five bytes the
// code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) included.

// Bytes in the ANSI code page to text.
QString DesdeAnsi(const char* datos, qsizetype longitud);
inline QString DesdeAnsi(const QByteArray& bytes) {
    return DesdeAnsi(bytes.constData(), bytes.size());
}

// Text to bytes in the ANSI code page; a character the code page lacks becomes
// its default character, "?". The destination is overwritten, so a caller in a
// loop keeps one buffer.
void HaciaAnsi(QStringView texto, QByteArray& destino);
QByteArray HaciaAnsi(QStringView texto);

// The default character of the code page.
inline constexpr char CaracterPredeterminadoAnsi = '?';

// Whether any of the bytes is beyond ASCII (0x80 or above).
bool TieneBytesAltos(const char* datos, qsizetype longitud);
