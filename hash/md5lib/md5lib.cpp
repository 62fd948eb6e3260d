// The md5 library: two C exports over libmd's MD5.
//
// Both write the 32 upper-case hexadecimal digits of the digest into the first
// 32 bytes of `buffer` and nothing else; the caller owns the buffer and its NUL.
// Upper case because the control code is written that way: callers that
// convert the digest then find nothing to change.
//
// On any failure the buffer is left exactly as it was; the return value (1 on
// success, 0 on failure) is for callers that want it.

// Files over 2 GiB on 32-bit hosts too.
#define _FILE_OFFSET_BITS 64

#include <md5.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#define EXPORTAR extern "C" __attribute__((visibility("default")))

namespace {

constexpr std::size_t kBloque = std::size_t{64} * 1024;

void EscribirHex(const unsigned char (&digest)[MD5_DIGEST_LENGTH], char* buffer) {
    static const char kDigitos[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < MD5_DIGEST_LENGTH; ++i) {
        buffer[2 * i] = kDigitos[digest[i] >> 4];
        buffer[2 * i + 1] = kDigitos[digest[i] & 0x0F];
    }
}

// Windows-1252 bytes 0x80 to 0x9F as code points; the rest of the code page is
// Latin-1. The five bytes it leaves undefined map to the same values.
constexpr char16_t kAltos[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// The path arrives in the ANSI code page, like every text of this interface;
// the file system names files in UTF-8.
std::string RutaDelSistema(const char* ansi) {
    std::string utf8;
    for (const auto* p = reinterpret_cast<const unsigned char*>(ansi); *p; ++p) {
        const char16_t c = (*p >= 0x80 && *p < 0xA0) ? kAltos[*p - 0x80] : char16_t(*p);
        if (c < 0x80) {
            utf8 += static_cast<char>(c);
        } else if (c < 0x800) {
            utf8 += static_cast<char>(0xC0 | (c >> 6));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            utf8 += static_cast<char>(0xE0 | (c >> 12));
            utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return utf8;
}

// Closes the file it holds when it goes.
struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0)
            close(fd);
    }
};

// Opens a regular file for reading. Without O_NONBLOCK, opening a FIFO would
// wait for a writer; anything that is not a regular file (a folder, a FIFO, a
// device) is refused, as it has no content to hash or none that ends.
int AbrirArchivoRegular(const std::string& ruta) {
    Descriptor archivo{-1};
    do {
        archivo.fd = open(ruta.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    } while (archivo.fd < 0 && errno == EINTR);
    struct stat info {};
    if (archivo.fd < 0 || fstat(archivo.fd, &info) != 0 || !S_ISREG(info.st_mode))
        return -1;
    return std::exchange(archivo.fd, -1);
}

// Feeds the whole file to `contexto`; false on a read error.
bool LeerTodo(int fd, MD5_CTX& contexto) {
    unsigned char bloque[kBloque];
    while (true) {
        const ssize_t leidos = read(fd, bloque, sizeof bloque);
        if (leidos == 0)
            return true;
        if (leidos < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        MD5Update(&contexto, bloque, static_cast<size_t>(leidos));
    }
}

} // namespace

// Hashes exactly `length` bytes of `text`, NUL bytes included. A negative
// length hashes nothing and leaves the buffer as it was.
EXPORTAR int32_t MDStringFix(const char* text, int32_t length, char* buffer) {
    if (!buffer || length < 0 || (length > 0 && !text))
        return 0;
    MD5_CTX contexto;
    MD5Init(&contexto);
    if (length > 0)
        MD5Update(&contexto, reinterpret_cast<const unsigned char*>(text),
                  static_cast<size_t>(length));
    unsigned char digest[MD5_DIGEST_LENGTH];
    MD5Final(digest, &contexto);
    EscribirHex(digest, buffer);
    return 1;
}

// Hashes the whole file, streamed in blocks. A file that cannot be opened or
// read to its end, or that is not a regular file, leaves the buffer as it was.
EXPORTAR int32_t MDFile(const char* path, char* buffer) {
    if (!path || !buffer)
        return 0;
    const Descriptor archivo{AbrirArchivoRegular(RutaDelSistema(path))};
    if (archivo.fd < 0)
        return 0;
    MD5_CTX contexto;
    MD5Init(&contexto);
    const bool leido = LeerTodo(archivo.fd, contexto);
    if (!leido)
        return 0;
    unsigned char digest[MD5_DIGEST_LENGTH];
    MD5Final(digest, &contexto);
    EscribirHex(digest, buffer);
    return 1;
}
