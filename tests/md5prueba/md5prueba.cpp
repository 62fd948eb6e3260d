// Stand-ins of the md5 library for the tests of its failures, one per value of
// MD5PRUEBA_VARIANTE:
//  0  exports neither MDStringFix nor MDFile;
//  1  exports MDStringFix alone, which leaves the buffer as it was.

#include <cstdint>

#define EXPORTAR extern "C" __attribute__((visibility("default")))

#if MD5PRUEBA_VARIANTE == 0
EXPORTAR int32_t OtraExportacion() {
    return 0;
}
#else
EXPORTAR int32_t MDStringFix(const char*, int32_t, char*) {
    return 0;
}
#endif
