#include "util/Ini.h"

#include "platform/archivos/ArchivoIni.h"

#include <cstdint>

namespace {
constexpr int TamanoBuffer = 255;
}

QString LeerIni(const QString& strArchivoPerfil, const QString& strSeccion, const QString& strClave,
                const QString& strPorDefecto) {
    QString buffer;
    const auto copiados = static_cast<int16_t>(GetPrivateProfileString(
        strSeccion, strClave, QString(), buffer, TamanoBuffer, strArchivoPerfil));
    if (copiados == 0)
        return strPorDefecto;
    return buffer.left(copiados);
}

bool EscribirIni(const QString& strArchivoPerfil, const QString& strSeccion,
                 const QString& strClave, const QString& strValor) {
    return WritePrivateProfileString(strSeccion, strClave, strValor, strArchivoPerfil);
}
