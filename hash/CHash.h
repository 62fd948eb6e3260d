#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>

class BibliotecaDinamica;

// The hash service: the MD5 of a text or a file as hexadecimal digits, through
// the md5 library at the path it is given (ArchivosPrograma::BibliotecaMd5 in
// the program folder).
//
// Constructing a CHash touches nothing. The library is loaded at the first
// call that needs one of its exports, and each export is resolved at its first
// use and kept for the instance's later calls. A missing library raises error
// 48, a missing export error 453, at the call.
class CHash {
public:
    explicit CHash(QString rutaBiblioteca);
    ~CHash();
    CHash(const CHash&) = delete;
    CHash& operator=(const CHash&) = delete;

    // The digest of the ANSI bytes of `Cadena`: exactly 32 characters, the
    // library's buffer as it left it (32 spaces if it wrote nothing), in the
    // library's letter case.
    QString MD5String(const QString& Cadena);

    // The digest of the file's content: the library's buffer without leading
    // and trailing spaces, so the empty text when the file could not be read.
    QString MD5File(const QString& Ruta);

private:
    void* Exportacion(const char* nombre);

    using FuncionMDStringFix = int32_t (*)(const char*, int32_t, char*);
    using FuncionMDFile = int32_t (*)(const char*, char*);

    QString rutaBiblioteca_;
    std::unique_ptr<BibliotecaDinamica> biblioteca_;
    FuncionMDStringFix mdStringFix_ = nullptr;
    FuncionMDFile mdFile_ = nullptr;
    // The ANSI copy of the text, kept so that a loop of calls reuses one buffer.
    QByteArray ansi_;
};
