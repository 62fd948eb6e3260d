#pragma once

#include <csignal>

// While one lives, SIGTERM, SIGHUP and SIGINT wait: a step that must not be cut
// halfway (a file replaced under a lock) ends first, and the signal then ends
// the process as it would have. Blocked in this thread; CarpetaPrivada's
// handler, run in another thread meanwhile, leaves the signal for the step's end.
class SenalesAplazadas {
public:
    SenalesAplazadas();
    ~SenalesAplazadas();
    SenalesAplazadas(const SenalesAplazadas&) = delete;
    SenalesAplazadas& operator=(const SenalesAplazadas&) = delete;

    // For a signal handler: true when a step is under way, and `senal` is then
    // raised again at its end. Only calls a signal handler may make.
    static bool Aplazar(int senal);

private:
    sigset_t antes_;
};
