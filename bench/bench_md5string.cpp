// The cost of one MD5String call on a typical debit line, against hashing the
// same bytes directly with libmd; and of one FormatoSQL call on a typical text.
// Prints ns a call (best of several rounds, so other load on the machine
// counts least).

#include "hash/CHash.h"
#include "platform/archivos/Ansi.h"
#include "util/FormatoSQL.h"

#include <md5.h>

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace {

constexpr int kRondas = 7;
constexpr int kIteraciones = 1'000'000;

// One run of `cuerpo` over kIteraciones calls, in ns a call; best of kRondas.
template <typename Cuerpo> double NsPorLlamada(Cuerpo cuerpo) {
    double mejor = 1e300;
    for (int r = 0; r < kRondas; ++r) {
        const auto inicio = std::chrono::steady_clock::now();
        for (int i = 0; i < kIteraciones; ++i)
            cuerpo(i);
        const std::chrono::duration<double, std::nano> tiempo =
            std::chrono::steady_clock::now() - inicio;
        mejor = std::min(mejor, tiempo.count() / kIteraciones);
    }
    return mejor;
}

void Hex(const unsigned char (&digest)[MD5_DIGEST_LENGTH], char* salida) {
    static const char kDigitos[] = "0123456789ABCDEF";
    for (int i = 0; i < MD5_DIGEST_LENGTH; ++i) {
        salida[2 * i] = kDigitos[digest[i] >> 4];
        salida[2 * i + 1] = kDigitos[digest[i] & 0x0F];
    }
}

// MD5String against libmd on the same bytes, for one line; prints both and the ratio.
void CompararMd5(const char* nombre, const QString& linea, unsigned& sumidero) {
    const QByteArray bytes = HaciaAnsi(linea);
    const double directo = NsPorLlamada([&](int i) {
        MD5_CTX contexto;
        MD5Init(&contexto);
        MD5Update(&contexto, reinterpret_cast<const unsigned char*>(bytes.constData()),
                  static_cast<size_t>(bytes.size()));
        unsigned char digest[MD5_DIGEST_LENGTH];
        MD5Final(digest, &contexto);
        char hex[33];
        Hex(digest, hex);
        sumidero += static_cast<unsigned char>(hex[i & 31]);
    });
    CHash hash(QStringLiteral(COBRANZIA_PROGRAMA_DIR "/libmd5.so"));
    const double md5String = NsPorLlamada([&](int i) {
        const QString digest = hash.MD5String(linea);
        sumidero += digest.at(i & 31).unicode();
    });
    std::printf("%s (%d caracteres)\n", nombre, static_cast<int>(linea.size()));
    std::printf("  libmd directo (MD5 + hex):  %7.1f ns/llamada\n", directo);
    std::printf("  CHash::MD5String:           %7.1f ns/llamada\n", md5String);
    std::printf("  razon:                      %7.3f  (el contrato anade %+.1f%%)\n",
                md5String / directo, 100.0 * (md5String / directo - 1.0));
}

} // namespace

int main() {
    unsigned sumidero = 0;
    std::printf("%d llamadas x %d rondas, la mejor ronda\n", kIteraciones, kRondas);

    CompararMd5("linea de detalle con acentos",
                QStringLiteral("D0001ES7620770024003102575766  GARCÍA PEÑA, MARÍA JOSÉ     "
                               "0000012550EUR20240131"),
                sumidero);
    CompararMd5("linea de detalle ASCII",
                QStringLiteral("D0001ES7620770024003102575766  GARCIA PENA, MARIA JOSE     "
                               "0000012550EUR20240131"),
                sumidero);

    const QString texto =
        QStringLiteral("  D0001 GARCÍA PEÑA, MARÍA JOSÉ  O'Neill 0000012550EUR 202  ");
    const bool nuloSiVacio = true;
    const double formato = NsPorLlamada([&](int i) {
        const QString literal = FormatoSQL(texto, tsTexto, nuloSiVacio);
        sumidero += literal.at(i & 15).unicode();
    });
    std::printf("FormatoSQL, texto de %d caracteres: %7.1f ns/llamada\n",
                static_cast<int>(texto.size()), formato);
    std::printf("(sumidero %u)\n", sumidero);
    return 0;
}
