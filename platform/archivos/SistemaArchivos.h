#pragma once

#include "platform/archivos/ResumenSha256.h"
#include "platform/proceso/Descriptor.h"
#include "platform/proceso/ErrorEjecucion.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>

#include <memory>

#include <sys/stat.h>

// A text stream over a file opened for reading: the file is read in blocks and
// never held whole in memory. A line ends at LF or at CR LF; a terminator at
// the very end of the file yields no extra empty line, and a CR elsewhere is
// part of its line, however many a line holds. A file with CRs and no LF at
// all has its lines ended by CR alone, which this reader does not serve: it is
// refused at its end, or at its first line too long to be one. ReadLine gives a line's bytes in the
// ANSI code page, one character per byte, so that it converts back to the file's own bytes; Texto
// gives the same line as the file's text: UTF-8 for a file that is valid UTF-8 and holds bytes
// beyond ASCII, the ANSI code page for any other, and never a leading byte-order mark.
class FlujoTexto {
public:
    ~FlujoTexto();
    FlujoTexto(const FlujoTexto&) = delete;
    FlujoTexto& operator=(const FlujoTexto&) = delete;

    // Raises ErrorFinesDeLineaCR, once the file is read, for a file whose
    // lines end in CR alone.
    bool AtEndOfStream();
    // The next line without its terminator. Raises error 62 past the end, and an
    // application error when a line is longer than LongitudMaximaLinea bytes.
    QString ReadLine();
    // The same line as the file's own bytes.
    void ReadLineBytes(QByteArray& linea);
    // The last line that ReadLine returned, as the file's text.
    const QString& Texto() const { return texto_; }
    // Whether Texto differs from what ReadLine returned: in a UTF-8 file, or
    // on a first line that begins with a byte-order mark.
    bool TextoPropio() const { return textoPropio_; }

    // The file's size when opened, and how many of its bytes the lines read
    // so far took.
    qint64 Tamano() const { return tamano_; }
    qint64 Consumidos() const { return leidosDelArchivo_ - (fin_ - inicio_); }

    // The file's time of change when opened, in UTC.
    QDateTime Modificado() const;
    // Whether every byte of the file has been read, and the SHA-256 of the
    // bytes read so far, taken as they were read.
    bool Agotado() const { return agotado_; }
    QByteArray Sha256() const { return sha256_.Hexadecimal(); }

    // 1-based number of the line that the last ReadLine returned.
    qint64 NumeroLinea() const { return numeroLinea_; }

    // True when the file is no longer what was opened: another size or time
    // of change, or another file now at its path.
    bool Cambiado() const;

    static constexpr qsizetype LongitudMaximaLinea = 1 << 20;

private:
    friend class SistemaArchivos;
    FlujoTexto(Descriptor descriptor, QString ruta, const struct stat& info);
    bool Rellenar();
    // The next line's bytes, in the block: valid until the next read.
    QByteArrayView SiguienteLinea();
    // Whether the file from `desde` on is valid UTF-8.
    bool Utf8Desde(qint64 desde) const;
    // Counts the CRs alone in a line's bytes.
    void ContarCR(QByteArrayView linea);
    [[noreturn]] void FallarFinesCR() const;

    enum class Codificacion { SinDecidir, Ansi, Utf8 };

    Descriptor fd_;
    QString ruta_;
    QByteArray bloque_;
    ResumenSha256 sha256_;
    qsizetype inicio_ = 0;
    qsizetype fin_ = 0;
    bool agotado_ = false;
    qint64 numeroLinea_ = 0;
    qint64 leidosDelArchivo_ = 0;
    Codificacion codificacion_ = Codificacion::SinDecidir;
    QString texto_;
    bool textoPropio_ = false;
    // CRs not followed by LF, and lines ended by LF, in the lines read so far.
    qint64 crSueltos_ = 0;
    qint64 lineasLf_ = 0;
    // What the file was when opened.
    dev_t dispositivo_;
    ino_t nodo_;
    off_t tamano_;
    timespec modificado_;
};

// The file-system object: the few operations the program needs of it.
class SistemaArchivos {
public:
    // True when the text names an existing ordinary file; false for an empty
    // text, a folder, a broken link, a device or a pipe. Never raises.
    bool FileExists(const QString& ruta) const;
    // The last component of a path; it does not touch the disk.
    QString GetFileName(const QString& ruta) const;
    // The folder part of a path, without a separator at its end except for the
    // root folder "/"; empty when the path has no folder part.
    QString GetParentFolderName(const QString& ruta) const;

    enum IOMode { ForReading = 1, ForWriting = 2, ForAppending = 8 };
    enum Formato { TristateUseDefault = -2, TristateTrue = -1, TristateFalse = 0 };

    // Opens an existing ordinary file for reading as ANSI text. Raises 53 when
    // it is missing, 70 when access is denied, 75 when it is not an ordinary
    // file, and 5 for any mode or format it does not serve.
    std::unique_ptr<FlujoTexto> OpenTextFile(const QString& ruta, int modo = ForReading,
                                             bool crear = false, int formato = TristateFalse) const;
};

// The file look-up by name for ordinary files only: false for an empty name, a
// folder, and a hidden file (a name that starts with a dot). A relative name is
// taken relative to the process's current folder.
bool ExisteArchivoOrdinario(const QString& ruta);

// The application error raised for a line longer than the stream serves.
inline constexpr int32_t ErrorLineaDemasiadoLarga = Errores::ErrorAplicacion + 700;
// The application error raised for a file whose lines end in CR alone.
inline constexpr int32_t ErrorFinesDeLineaCR = Errores::ErrorAplicacion + 704;
