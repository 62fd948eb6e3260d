#include "platform/proceso/SenalesAplazadas.h"

#include <atomic>

#include <pthread.h>

namespace {
std::atomic<int> gAbiertos{0};
std::atomic<int> gPendiente{0};

sigset_t Senales() {
    sigset_t senales;
    sigemptyset(&senales);
    for (const int senal : {SIGTERM, SIGHUP, SIGINT})
        sigaddset(&senales, senal);
    return senales;
}
} // namespace

SenalesAplazadas::SenalesAplazadas() {
    ++gAbiertos;
    const sigset_t senales = Senales();
    pthread_sigmask(SIG_BLOCK, &senales, &antes_);
}

SenalesAplazadas::~SenalesAplazadas() {
    // Counted out before the signal is read: a handler that stores its signal
    // after this reading sees no step under way and ends the process itself.
    const bool ultimo = --gAbiertos == 0;
    pthread_sigmask(SIG_SETMASK, &antes_, nullptr);
    // raise fails only for a signal number that does not exist, and this one came.
    if (const int senal = ultimo ? gPendiente.exchange(0) : 0)
        static_cast<void>(::raise(senal));
}

bool SenalesAplazadas::Aplazar(int senal) {
    gPendiente = senal;
    return gAbiertos.load() > 0;
}
