// The md5 library: two C exports over libmd's MD5.
//
// Both write the 32 lower-case hexadecimal digits of the digest into the first
// 32 bytes of `buffer` and nothing else; the caller owns the buffer and its NUL.

#include <md5.h>

#include <cstdint>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

#define EXPORTAR extern "C" __attribute__((visibility("default")))

namespace {

void EscribirHex(const unsigned char (&digest)[MD5_DIGEST_LENGTH], char* buffer)
{
    static const char kDigitos[] = "0123456789abcdef";
    for (int i = 0; i < MD5_DIGEST_LENGTH; ++i) {
        buffer[2 * i] = kDigitos[digest[i] >> 4];
        buffer[2 * i + 1] = kDigitos[digest[i] & 0x0F];
    }
}

} // namespace

// Hashes exactly `length` bytes of `text`, NUL bytes included. A negative
// length hashes nothing and leaves the buffer as it was.
EXPORTAR int32_t MDStringFix(const char* text, int32_t length, char* buffer)
{
    if (!buffer || length < 0 || (length > 0 && !text))
        return 0;
    MD5_CTX contexto;
    MD5Init(&contexto);
    MD5Update(&contexto, reinterpret_cast<const unsigned char*>(text), static_cast<size_t>(length));
    unsigned char digest[MD5_DIGEST_LENGTH];
    MD5Final(digest, &contexto);
    EscribirHex(digest, buffer);
    return 1;
}

// Hashes the whole file, read in blocks. A file that cannot be opened or read
// leaves the buffer as it was.
EXPORTAR int32_t MDFile(const char* path, char* buffer)
{
    if (!path || !buffer)
        return 0;
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    MD5_CTX contexto;
    MD5Init(&contexto);
    unsigned char bloque[64 * 1024];
    ssize_t leidos;
    while ((leidos = read(fd, bloque, sizeof bloque)) != 0) {
        if (leidos < 0) {
            close(fd);
            return 0;
        }
        MD5Update(&contexto, bloque, static_cast<size_t>(leidos));
    }
    close(fd);
    unsigned char digest[MD5_DIGEST_LENGTH];
    MD5Final(digest, &contexto);
    EscribirHex(digest, buffer);
    return 1;
}
