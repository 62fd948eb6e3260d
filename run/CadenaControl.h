#pragma once

#include "hash/CHash.h"

#include <QString>

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

// The control code's chain: each line's digest is taken over the line followed
// by the code so far, and is the new code.
class CadenaControl {
public:
    explicit CadenaControl(const QString& biblioteca)
        : hasher_(biblioteca) {}

    // Raises the md5 library's errors.
    void Agregar(QStringView linea);
    const QString& Codigo() const { return codigo_; }

private:
    CHash hasher_;
    QString codigo_;
    // The hash input, kept from line to line so that it is not allocated anew.
    QString entrada_;
};

// The same chain on a thread of its own, so that a run stores its lines while
// their digests are taken. Lines travel in batches through a short queue: the
// memory it holds stays small whichever side is faster.
class CadenaEnParalelo {
public:
    explicit CadenaEnParalelo(const QString& biblioteca);
    // Stops the thread, whatever it was doing.
    ~CadenaEnParalelo();
    CadenaEnParalelo(const CadenaEnParalelo&) = delete;
    CadenaEnParalelo& operator=(const CadenaEnParalelo&) = delete;

    // Raises the chain's failure (a missing md5 library, say) at the first
    // call after the thread met it.
    void Agregar(QStringView linea);
    // Waits for the last line's digest; raises the chain's failure.
    const QString& Codigo();

private:
    // The lines of a batch one after another in one text, where each ends:
    // one allocation for a batch, made and released whole, not one a line.
    struct Lote {
        QString texto;
        std::vector<qsizetype> finales;
    };
    void Reservar();
    void Enviar();
    void Trabajar();

    CadenaControl cadena_;
    Lote lote_;
    std::mutex mutex_;
    std::condition_variable cambio_;
    std::deque<Lote> cola_;
    bool cerrada_ = false;
    bool parar_ = false;
    bool terminada_ = false;
    std::exception_ptr error_;
    std::thread hilo_;
};
