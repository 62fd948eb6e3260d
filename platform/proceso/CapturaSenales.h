#pragma once

#include <csignal>

// While one lives, SIGTERM, SIGHUP and SIGINT end nothing: the first one is
// noted, for the work under way to see at its next step and stop cleanly.
// A signal the process ignored stays ignored. When it goes, the handlers of
// before come back (CarpetaPrivada's); a signal noted stays noted.
class CapturaSenales {
public:
    CapturaSenales();
    ~CapturaSenales();
    CapturaSenales(const CapturaSenales&) = delete;
    CapturaSenales& operator=(const CapturaSenales&) = delete;

    // The first signal noted, 0 when none.
    static int Recibida();

private:
    struct sigaction antes_[3];
};
