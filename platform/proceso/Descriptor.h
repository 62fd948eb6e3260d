#pragma once

#include <utility>

#include <unistd.h>

// A file descriptor and its one owner: closed when the owner goes, unless
// handed on with release().
class Descriptor {
public:
    explicit Descriptor(int fd = -1) noexcept
        : fd_(fd) {}
    ~Descriptor() { Cerrar(); }
    Descriptor(Descriptor&& otro) noexcept
        : fd_(std::exchange(otro.fd_, -1)) {}
    Descriptor& operator=(Descriptor&& otro) noexcept {
        if (this != &otro) {
            Cerrar();
            fd_ = std::exchange(otro.fd_, -1);
        }
        return *this;
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const noexcept { return fd_; }
    bool Valido() const noexcept { return fd_ >= 0; }
    int release() noexcept { return std::exchange(fd_, -1); }
    // Closes it now, for a caller that must know whether the close failed
    // (the last write error of a file is reported there). 0 when none was open.
    int Cerrar() noexcept { return fd_ < 0 ? 0 : ::close(std::exchange(fd_, -1)); }

private:
    int fd_;
};
