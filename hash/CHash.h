#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

// The hash service: the MD5 of a text or a file as hexadecimal digits, through
// the md5 library (libmd5.so in the program folder).
//
// Constructing a CHash touches nothing. The library is loaded at the first call
// that needs one of its exports, from the program folder of that moment; each
// export is resolved at its first use, and the addresses are kept for the rest
// of the process (per library path) and by the instance for its later calls.
// A missing library raises error 48, a missing export error 453, at the call.
class CHash {
public:
    // The digest of the ANSI bytes of `Cadena`: exactly 32 characters, the
    // library's buffer as it left it (32 spaces if it wrote nothing), in the
    // library's letter case.
    QString MD5String(QString Cadena);

    // The digest of the file's content: the library's buffer without leading
    // and trailing spaces, so the empty text when the file could not be read.
    QString MD5File(QString Ruta);

private:
    using FuncionMDStringFix = int32_t (*)(const char*, int32_t, char*);
    using FuncionMDFile = int32_t (*)(const char*, char*);

    FuncionMDStringFix mdStringFix_ = nullptr;
    FuncionMDFile mdFile_ = nullptr;
    // The ANSI copy of the text, kept so that a loop of calls reuses one buffer.
    QByteArray ansi_;
};
