#include "platform/proceso/CapturaSenales.h"

#include <iterator>

namespace {

constexpr int kSenales[] = {SIGTERM, SIGHUP, SIGINT};

volatile std::sig_atomic_t gRecibida = 0;

void Anotar(int senal) {
    if (gRecibida == 0)
        gRecibida = senal;
}

} // namespace

CapturaSenales::CapturaSenales() {
    struct sigaction accion {};
    accion.sa_handler = Anotar;
    // Reads and writes go on; a wait in poll ends at once (never restarted), and its caller looks.
    accion.sa_flags = SA_RESTART;
    sigemptyset(&accion.sa_mask);
    for (size_t i = 0; i < std::size(kSenales); ++i) {
        ::sigaction(kSenales[i], nullptr, &antes_[i]);
        if (antes_[i].sa_handler != SIG_IGN)
            ::sigaction(kSenales[i], &accion, nullptr);
    }
}

CapturaSenales::~CapturaSenales() {
    for (size_t i = 0; i < std::size(kSenales); ++i)
        ::sigaction(kSenales[i], &antes_[i], nullptr);
}

int CapturaSenales::Recibida() {
    return gRecibida;
}
