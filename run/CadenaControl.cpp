#include "run/CadenaControl.h"

#include <system_error>

namespace {

// Enough lines that handing a batch over costs nothing beside them, few
// enough that the queue holds little memory.
constexpr size_t kLineasPorLote = 1024;
constexpr size_t kLotesEnCola = 8;
// Characters a line is expected to hold, for the batch's first allocation.
constexpr qsizetype kLargoPrevisto = 128;

// The upper-case form of a digest. The library writes hexadecimal digits,
// most often already in upper case, which need no case tables.
QString Mayusculas(const QString& digest) {
    for (const QChar c : digest)
        if ((c >= u'a' && c <= u'z') || c.unicode() >= 0x80)
            return digest.toUpper();
    return digest;
}

} // namespace

void CadenaControl::Agregar(QStringView linea) {
    entrada_.resize(0);
    entrada_ += linea;
    entrada_ += codigo_;
    codigo_ = Mayusculas(hasher_.MD5String(entrada_));
}

CadenaEnParalelo::CadenaEnParalelo(const QString& biblioteca)
    : cadena_(biblioteca) {
    try {
        hilo_ = std::thread([this] { Trabajar(); });
    } catch (const std::system_error&) {
        // No thread to be had (the user's limit of processes, say): the
        // digests are taken on the run's own thread, as they come.
    }
    Reservar();
}

CadenaEnParalelo::~CadenaEnParalelo() {
    if (!hilo_.joinable())
        return;
    {
        const std::lock_guard bloqueo(mutex_);
        parar_ = true;
    }
    cambio_.notify_all();
    hilo_.join();
}

void CadenaEnParalelo::Reservar() {
    lote_.texto.reserve(qsizetype(kLineasPorLote) * kLargoPrevisto);
    lote_.finales.reserve(kLineasPorLote);
}

void CadenaEnParalelo::Agregar(QStringView linea) {
    if (!hilo_.joinable()) {
        cadena_.Agregar(linea);
        return;
    }
    lote_.texto += linea;
    lote_.finales.push_back(lote_.texto.size());
    if (lote_.finales.size() >= kLineasPorLote)
        Enviar();
}

void CadenaEnParalelo::Enviar() {
    {
        std::unique_lock bloqueo(mutex_);
        cambio_.wait(bloqueo, [this] { return cola_.size() < kLotesEnCola || terminada_; });
        if (error_)
            std::rethrow_exception(error_);
        cola_.push_back(std::move(lote_));
    }
    cambio_.notify_all();
    lote_ = Lote();
    Reservar();
}

const QString& CadenaEnParalelo::Codigo() {
    if (!hilo_.joinable())
        return cadena_.Codigo();
    if (!lote_.finales.empty())
        Enviar();
    std::unique_lock bloqueo(mutex_);
    cerrada_ = true;
    cambio_.notify_all();
    cambio_.wait(bloqueo, [this] { return terminada_; });
    if (error_)
        std::rethrow_exception(error_);
    // The thread wrote the code before it said it had ended.
    return cadena_.Codigo();
}

void CadenaEnParalelo::Trabajar() {
    for (;;) {
        Lote lote;
        {
            std::unique_lock bloqueo(mutex_);
            cambio_.wait(bloqueo, [this] { return parar_ || cerrada_ || !cola_.empty(); });
            if (parar_ || cola_.empty()) {
                terminada_ = true;
                break;
            }
            lote = std::move(cola_.front());
            cola_.pop_front();
        }
        cambio_.notify_all();
        try {
            qsizetype inicio = 0;
            for (const qsizetype fin : lote.finales) {
                cadena_.Agregar(QStringView(lote.texto).sliced(inicio, fin - inicio));
                inicio = fin;
            }
        } catch (...) {
            const std::lock_guard bloqueo(mutex_);
            error_ = std::current_exception();
            terminada_ = true;
            break;
        }
    }
    cambio_.notify_all();
}
