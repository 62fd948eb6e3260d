#include "platform/archivos/SistemaArchivos.h"

#include "platform/archivos/Ansi.h"
#include "platform/archivos/TextosArchivos.h"
#include "platform/proceso/MotivoSistema.h"
#include "platform/proceso/Rutas.h"
#include "platform/proceso/TextoVisible.h"

#include <QDateTime>
#include <QFile>
#include <QStringDecoder>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr qsizetype kBloque = qsizetype(256) * 1024;

// Reuses the line's buffer: resizing never gives back its capacity.
void Copiar(QByteArray& destino, const char* origen, qsizetype largo) {
    destino.resize(largo);
    if (largo > 0)
        std::memcpy(destino.data(), origen, size_t(largo));
}

[[noreturn]] void FallarApertura(int error, const QString& ruta) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        throw ErrorSistema(Errores::ArchivoNoEncontrado, ruta);
    case EACCES:
    case EPERM:
        throw ErrorSistema(Errores::PermisoDenegado, ruta);
    case ENAMETOOLONG:
        throw ErrorSistema(Errores::NombreArchivoIncorrecto, ruta);
    default:
        throw ErrorSistema(Errores::AccesoRuta,
                           ruta + QStringLiteral(" (") + MotivoSistema(error) + QLatin1Char(')'));
    }
}
} // namespace

FlujoTexto::FlujoTexto(Descriptor descriptor, QString ruta, const struct stat& info)
    : fd_(std::move(descriptor))
    , ruta_(std::move(ruta))
    , dispositivo_(info.st_dev)
    , nodo_(info.st_ino)
    , tamano_(info.st_size)
    , modificado_(info.st_mtim) {}

bool FlujoTexto::Cambiado() const {
    struct stat ahora {};
    struct stat enRuta {};
    if (fstat(fd_.get(), &ahora) != 0 || stat(RutaABytes(ruta_).constData(), &enRuta) != 0)
        return true;
    return ahora.st_size != tamano_ || ahora.st_mtim.tv_sec != modificado_.tv_sec ||
           ahora.st_mtim.tv_nsec != modificado_.tv_nsec || enRuta.st_dev != dispositivo_ ||
           enRuta.st_ino != nodo_;
}

QDateTime FlujoTexto::Modificado() const {
    return QDateTime::fromMSecsSinceEpoch(
        qint64(modificado_.tv_sec) * 1000 + modificado_.tv_nsec / 1000000, Qt::UTC);
}

FlujoTexto::~FlujoTexto() = default;

bool FlujoTexto::Rellenar() {
    if (agotado_)
        return false;
    // Keep what is left of the current line at the front of the block.
    if (inicio_ > 0) {
        const qsizetype resto = fin_ - inicio_;
        std::memmove(bloque_.data(), bloque_.constData() + inicio_, size_t(resto));
        fin_ = resto;
        inicio_ = 0;
    }
    if (bloque_.size() - fin_ < kBloque)
        bloque_.resize(fin_ + kBloque);
    ssize_t leidos;
    do {
        leidos = read(fd_.get(), bloque_.data() + fin_, size_t(bloque_.size() - fin_));
    } while (leidos < 0 && errno == EINTR);
    if (leidos < 0)
        throw ErrorSistema(Errores::ErrorES,
                           ruta_ + QStringLiteral(" (") + MotivoSistema(errno) + QLatin1Char(')'));
    if (leidos == 0) {
        agotado_ = true;
        return false;
    }
    sha256_.Agregar(QByteArrayView(bloque_.constData() + fin_, leidos));
    fin_ += leidos;
    leidosDelArchivo_ += leidos;
    return true;
}

bool FlujoTexto::AtEndOfStream() {
    if (inicio_ != fin_ || Rellenar())
        return false;
    // Stray CRs inside lines ended by LF are data; only a file without any LF
    // has its lines ended by CR.
    if (lineasLf_ == 0 && crSueltos_ > 0)
        FallarFinesCR();
    return true;
}

void FlujoTexto::ContarCR(QByteArrayView linea) {
    const char* fin = linea.data() + linea.size();
    for (const char* p = linea.data();
         (p = static_cast<const char*>(std::memchr(p, '\r', size_t(fin - p)))) != nullptr; ++p)
        ++crSueltos_;
}

void FlujoTexto::FallarFinesCR() const {
    throw ErrorEjecucion(ErrorFinesDeLineaCR, TextosArchivos::FinesCR.arg(TextoVisible(ruta_)));
}

QByteArrayView FlujoTexto::SiguienteLinea() {
    if (AtEndOfStream())
        throw ErrorSistema(Errores::FinDeArchivo, ruta_);
    ++numeroLinea_;
    qsizetype buscado = 0; // bytes after inicio_ already searched for a terminator
    while (true) {
        const char* base = bloque_.constData() + inicio_;
        const qsizetype disponible = fin_ - inicio_;
        if (const void* lf = std::memchr(base + buscado, '\n', size_t(disponible - buscado))) {
            qsizetype largo = static_cast<const char*>(lf) - base;
            const qsizetype consumido = largo + 1;
            if (largo > 0 && base[largo - 1] == '\r')
                --largo;
            if (largo > LongitudMaximaLinea)
                break;
            inicio_ += consumido;
            ++lineasLf_;
            ContarCR(QByteArrayView(base, largo));
            return QByteArrayView(base, largo);
        }
        buscado = disponible;
        if (disponible > LongitudMaximaLinea + 1)
            break;
        if (!Rellenar()) {
            // The last line has no terminator.
            if (disponible > LongitudMaximaLinea)
                break;
            inicio_ = fin_;
            const QByteArrayView ultima(bloque_.constData() + fin_ - disponible, disponible);
            ContarCR(ultima);
            return ultima;
        }
    }
    // So long a line holding a CR alone is most likely many lines ended by CR.
    if (lineasLf_ == 0 && std::memchr(bloque_.constData() + inicio_, '\r', size_t(fin_ - inicio_)))
        FallarFinesCR();
    throw ErrorEjecucion(ErrorLineaDemasiadoLarga,
                         TextosArchivos::LineaLarga.arg(QString::number(numeroLinea_), ruta_,
                                                        QString::number(LongitudMaximaLinea)));
}

void FlujoTexto::ReadLineBytes(QByteArray& linea) {
    const QByteArrayView vista = SiguienteLinea();
    Copiar(linea, vista.data(), vista.size());
}

QString FlujoTexto::ReadLine() {
    const qint64 inicio = Consumidos();
    const QByteArrayView vista = SiguienteLinea();
    QString linea = DesdeAnsi(vista.data(), vista.size());
    // The byte-order mark is in the code's bytes, never in the text.
    const bool marca = inicio == 0 && vista.startsWith("\xEF\xBB\xBF");
    const QByteArrayView texto = marca ? vista.sliced(3) : vista;
    // Until a byte beyond ASCII shows up, both readings of a line agree; at
    // the first one, the rest of the file says which reading is its.
    if (codificacion_ == Codificacion::SinDecidir && TieneBytesAltos(texto.data(), texto.size()))
        codificacion_ = Utf8Desde(inicio) ? Codificacion::Utf8 : Codificacion::Ansi;
    textoPropio_ = marca || codificacion_ == Codificacion::Utf8;
    if (codificacion_ == Codificacion::Utf8)
        texto_ = DesdeUtf8(texto);
    else if (marca)
        texto_ = DesdeAnsi(texto.data(), texto.size());
    else
        texto_ = linea;
    return linea;
}

bool FlujoTexto::Utf8Desde(qint64 desde) const {
    QStringDecoder decodificador(QStringDecoder::Utf8);
    QByteArray bloque(kBloque, Qt::Uninitialized);
    QString texto(kBloque + 1, Qt::Uninitialized);
    for (qint64 pos = desde;;) {
        ssize_t leidos;
        do {
            leidos = pread(fd_.get(), bloque.data(), size_t(bloque.size()), pos);
        } while (leidos < 0 && errno == EINTR);
        if (leidos < 0)
            return false;
        // A line feed after the end makes a sequence cut short there an error.
        decodificador.appendToBuffer(texto.data(),
                                     leidos == 0 ? QByteArrayView("\n")
                                                 : QByteArrayView(bloque.constData(), leidos));
        if (decodificador.hasError() || leidos == 0)
            return !decodificador.hasError();
        pos += leidos;
    }
}

bool ExisteArchivoOrdinario(const QString& ruta) {
    struct stat info {};
    const bool oculto = QStringView(ruta).sliced(ruta.lastIndexOf(u'/') + 1).startsWith(u'.');
    return !ruta.isEmpty() && !oculto && stat(RutaABytes(ruta).constData(), &info) == 0 &&
           S_ISREG(info.st_mode);
}

bool SistemaArchivos::FileExists(const QString& ruta) const {
    if (ruta.isEmpty())
        return false;
    struct stat info {};
    return stat(RutaABytes(ruta).constData(), &info) == 0 && S_ISREG(info.st_mode);
}

QString SistemaArchivos::GetFileName(const QString& ruta) const {
    QStringView vista(ruta);
    while (vista.size() > 1 && vista.endsWith(QLatin1Char('/')))
        vista.chop(1);
    const qsizetype barra = vista.lastIndexOf(QLatin1Char('/'));
    if (barra < 0)
        return vista.toString();
    return vista.mid(barra + 1).toString();
}

QString SistemaArchivos::GetParentFolderName(const QString& ruta) const {
    QStringView vista(ruta);
    while (vista.size() > 1 && vista.endsWith(QLatin1Char('/')))
        vista.chop(1);
    qsizetype barra = vista.lastIndexOf(QLatin1Char('/'));
    if (barra < 0 || vista.size() == 1)
        return QString();
    // A run of separators before the name counts as one.
    while (barra > 0 && vista.at(barra - 1) == QLatin1Char('/'))
        --barra;
    if (barra == 0)
        return QStringLiteral("/");
    return vista.left(barra).toString();
}

std::unique_ptr<FlujoTexto> SistemaArchivos::OpenTextFile(const QString& ruta, int modo, bool crear,
                                                          int formato) const {
    if (modo != ForReading || crear || formato != TristateFalse)
        throw ErrorSistema(Errores::LlamadaNoValida);
    if (ruta.isEmpty())
        throw ErrorSistema(Errores::NombreArchivoIncorrecto);
    const QByteArray local = RutaABytes(ruta);
    // Opened without blocking, so that a pipe with no writer cannot hang the run.
    Descriptor fd;
    do {
        fd = Descriptor(open(local.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    } while (!fd.Valido() && errno == EINTR);
    if (!fd.Valido())
        FallarApertura(errno, ruta);
    struct stat info {};
    if (fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        throw ErrorSistema(Errores::AccesoRuta, ruta + TextosArchivos::NoEsArchivo);
    fcntl(fd.get(), F_SETFL, fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
    posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    return std::unique_ptr<FlujoTexto>(new FlujoTexto(std::move(fd), ruta, info));
}
