// Stand-ins of the md5 library for the tests of its failures, one per value of
// MD5PRUEBA_VARIANTE:
//  0  exports neither MDStringFix nor MDFile;
//  1  exports MDStringFix alone, which leaves the buffer as it was;
//  2  exports both; each writes 28 digits and leaves two spaces at either end.

#include <cstdint>
#include <cstring>

#define EXPORTAR extern "C" __attribute__((visibility("default")))

#if MD5PRUEBA_VARIANTE == 0
EXPORTAR int32_t OtraExportacion() {
    return 0;
}
#elif MD5PRUEBA_VARIANTE == 1
EXPORTAR int32_t MDStringFix(const char*, int32_t, char*) {
    return 0;
}
#else
EXPORTAR int32_t MDStringFix(const char*, int32_t, char* buffer) {
    std::memcpy(buffer + 2, "0123456789ABCDEF0123456789AB", 28);
    return 1;
}

EXPORTAR int32_t MDFile(const char*, char* buffer) {
    std::memcpy(buffer + 2, "0123456789ABCDEF0123456789AB", 28);
    return 1;
}
#endif
