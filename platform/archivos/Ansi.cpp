#include "platform/archivos/Ansi.h"

#include <algorithm>
#include <array>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Characters converted at a time by the fast paths.
constexpr qsizetype kTramo = 16;

#if defined(__SSE2__)
// All ones in the 16-bit lanes whose character has the same byte in the code
// page: up to U+00FF, outside U+0080 to U+009F.
__m128i Directos(__m128i c) {
    const __m128i cero = _mm_setzero_si128();
    const __m128i latin1 = _mm_cmpeq_epi16(_mm_and_si128(c, _mm_set1_epi16(-256)), cero);
    const __m128i c1 = _mm_cmpeq_epi16(_mm_and_si128(c, _mm_set1_epi16(-32)), _mm_set1_epi16(0x80));
    return _mm_andnot_si128(c1, latin1);
}
#endif

// Converts leading runs of kTramo characters that the code page holds at their
// own value, many at once (the hash of every line goes through here); returns
// how many characters it did.
qsizetype CopiarDirectos(const char16_t* entrada, char* salida, qsizetype n) {
    qsizetype i = 0;
#if defined(__SSE2__)
    for (; i + kTramo <= n; i += kTramo) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(entrada + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(entrada + i + 8));
        if (_mm_movemask_epi8(_mm_and_si128(Directos(a), Directos(b))) != 0xFFFF)
            break;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(salida + i), _mm_packus_epi16(a, b));
    }
#else
    Q_UNUSED(entrada);
    Q_UNUSED(salida);
    Q_UNUSED(n);
#endif
    return i;
}

// The reverse: runs of kTramo bytes outside 0x80 to 0x9F widen as they are.
qsizetype AnchearDirectos(const unsigned char* bytes, char16_t* salida, qsizetype n) {
    qsizetype i = 0;
#if defined(__SSE2__)
    const __m128i cero = _mm_setzero_si128();
    for (; i + kTramo <= n; i += kTramo) {
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        const __m128i c1 =
            _mm_cmpeq_epi8(_mm_and_si128(b, _mm_set1_epi8(-32)), _mm_set1_epi8(-128));
        if (_mm_movemask_epi8(c1) != 0)
            break;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(salida + i), _mm_unpacklo_epi8(b, cero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(salida + i + 8), _mm_unpackhi_epi8(b, cero));
    }
#else
    Q_UNUSED(bytes);
    Q_UNUSED(salida);
    Q_UNUSED(n);
#endif
    return i;
}

} // namespace

QString DesdeAnsi(const char* datos, qsizetype longitud) {
    QString texto(longitud, Qt::Uninitialized);
    char16_t* salida = reinterpret_cast<char16_t*>(texto.data());
    const auto* bytes = reinterpret_cast<const unsigned char*>(datos);
    qsizetype i = 0;
    while (i < longitud) {
        i += AnchearDirectos(bytes + i, salida + i, longitud - i);
        for (const qsizetype fin = std::min(longitud, i + kTramo); i < fin; ++i) {
            const unsigned char b = bytes[i];
            salida[i] = (b >= 0x80 && b < 0xA0) ? kAltos[b - 0x80] : char16_t(b);
        }
    }
    return texto;
}

void HaciaAnsi(QStringView texto, QByteArray& destino) {
    destino.resize(texto.size());
    char* salida = destino.data();
    const char16_t* entrada = texto.utf16();
    const qsizetype n = texto.size();
    qsizetype i = 0;
    while (i < n) {
        i += CopiarDirectos(entrada + i, salida + i, n - i);
        for (const qsizetype fin = std::min(n, i + kTramo); i < fin; ++i) {
            const char16_t c = entrada[i];
            salida[i] = c < 0x80 ? static_cast<char>(c) : ByteDe(c);
        }
    }
}

QByteArray HaciaAnsi(QStringView texto) {
    QByteArray bytes;
    HaciaAnsi(texto, bytes);
    return bytes;
}

bool TieneBytesAltos(const char* datos, qsizetype longitud) {
    qsizetype i = 0;
#if defined(__SSE2__)
    for (; i + kTramo <= longitud; i += kTramo)
        if (_mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(datos + i))) != 0)
            return true;
#endif
    for (; i < longitud; ++i)
        if (static_cast<unsigned char>(datos[i]) >= 0x80)
            return true;
    return false;
}
