#include "platform/Ansi.h"

#include <array>

namespace {

// Windows-1252, bytes 0x80 to 0x9F. The rest of the code page is Latin-1.
constexpr std::array<char16_t, 32> kAltos = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char ByteDe(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(c);
    for (std::size_t i = 0; i < kAltos.size(); ++i) {
        if (kAltos[i] == c)
            return static_cast<char>(0x80 + i);
    }
    return CaracterPredeterminadoAnsi;
}

} // namespace

QString DesdeAnsi(const char* datos, qsizetype longitud) {
    QString texto(longitud, Qt::Uninitialized);
    char16_t* salida = reinterpret_cast<char16_t*>(texto.data());
    const auto* bytes = reinterpret_cast<const unsigned char*>(datos);
    for (qsizetype i = 0; i < longitud; ++i) {
        const unsigned char b = bytes[i];
        salida[i] = (b >= 0x80 && b < 0xA0) ? kAltos[b - 0x80] : char16_t(b);
    }
    return texto;
}

void HaciaAnsi(QStringView texto, QByteArray& destino) {
    destino.resize(texto.size());
    char* salida = destino.data();
    const char16_t* entrada = texto.utf16();
    for (qsizetype i = 0; i < texto.size(); ++i) {
        const char16_t c = entrada[i];
        salida[i] = c < 0x80 ? static_cast<char>(c) : ByteDe(c);
    }
}

QByteArray HaciaAnsi(QStringView texto) {
    QByteArray bytes;
    HaciaAnsi(texto, bytes);
    return bytes;
}
