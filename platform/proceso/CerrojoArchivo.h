#pragma once

#include <QString>

// A lock that the kernel holds on an open file and releases when its holder
// ends, however it ends: a lock file left by a killed program never blocks.
// The file is made 0600 when missing and removed by the holder when it lets
// go; a taker checks that the file it locked is still the one at the path.
class CerrojoArchivo {
public:
    explicit CerrojoArchivo(QString ruta);
    ~CerrojoArchivo();
    CerrojoArchivo(const CerrojoArchivo&) = delete;
    CerrojoArchivo& operator=(const CerrojoArchivo&) = delete;

    enum class Estado { Tomado, Ocupado, Fallido };
    // Tries for up to `esperaMs` milliseconds. Ocupado when another holds it
    // all that time; Fallido when the file cannot be opened or is not this
    // user's alone (Motivo says why).
    Estado Tomar(int esperaMs);
    const QString& Ruta() const { return ruta_; }
    const QString& Motivo() const { return motivo_; }

private:
    QString ruta_;
    QString motivo_;
    int fd_ = -1;
};
