#pragma once

#include <QString>

// The one place where the program keeps the files and folders it makes for
// itself: a folder that only the user owns and can write, checked with lstat
// before use. It is $XDG_RUNTIME_DIR when that is such a folder; otherwise a
// folder "cobranzia-UID" made 0700 in $TMPDIR (/tmp when unset) or else in
// the user's cache folder, wherever its parent lets no other user replace it.
// Each process works in a folder of its own inside it, removed when the
// process ends, also by SIGTERM, SIGHUP or SIGINT; what a killed process left
// there is removed by the next start.
class CarpetaPrivada {
public:
    // Called first in main, before Qt starts: removes what ended processes
    // left, makes this process's folder and removes it on SIGTERM, SIGHUP and SIGINT, and
    // gives Qt the user's folder as its runtime folder when $XDG_RUNTIME_DIR
    // is unset or unsafe.
    static void Preparar();

    // The user's folder. Raises error 70 naming why when there is none.
    static QString DelUsuario();

    // This process's own folder, made at the first call. Raises like DelUsuario.
    static QString DelProceso();

    // A file that this process removes when a signal ends it, as it would at
    // a normal end (at most a few at once): one of the user's folder, or a
    // temporary one beside a file being replaced.
    static void BorrarAlTerminar(const QString& ruta);
    // Takes back BorrarAlTerminar, once the file is gone or is the user's.
    static void NoBorrarAlTerminar(const QString& ruta);
};
