#pragma once

#include <QString>

// The settings file: one key of one section, read and written through the
// platform's profile functions.

// The value stored under the key, cut to 254 characters, or `strPorDefecto`
// when the file, the section or the key is missing or the value is empty.
QString LeerIni(const QString& strArchivoPerfil, const QString& strSeccion, const QString& strClave,
                const QString& strPorDefecto);

// Stores the value, creating the file, the section or the key as needed. True
// when the platform reports success.
bool EscribirIni(const QString& strArchivoPerfil, const QString& strSeccion,
                 const QString& strClave, const QString& strValor);
