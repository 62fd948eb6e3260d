#pragma once

#include <QString>

// The one place where the program keeps the files and folders it makes for
// itself: a folder that only the user owns and can write, reached from the
// root one folder at a time without following a link, every folder on the way
// the user's or root's and writable by no one else (unless sticky). It is
// $XDG_RUNTIME_DIR when that is such a folder; otherwise a folder
// "cobranzia-UID" made 0700 in $TMPDIR (/tmp when unset) or else in the
// user's cache folder. Each process works in a folder of its own inside it,
// made and filled through the open folder, holding a lock in it while it
// lives, and removed when the process ends, also by SIGTERM, SIGHUP or SIGINT;
// a folder whose lock no process holds is removed by the next start.
class CarpetaPrivada {
public:
    // Called first in main, before Qt starts: removes what ended processes
    // left, makes this process's folder and removes it on SIGTERM, SIGHUP and SIGINT, and
    // gives Qt the user's folder as its runtime folder when $XDG_RUNTIME_DIR
    // is unset or unsafe.
    static void Preparar();

    // The user's folder, checked anew. Raises error 70 naming why when there is none.
    static QString DelUsuario();

    // This process's own folder, made at the first call. Raises like DelUsuario.
    static QString DelProceso();

    // A symbolic link `nombre` to `destino` in this process's folder, made
    // there unless it is already; its path. Raises like DelUsuario.
    static QString Enlace(const QString& nombre, const QString& destino);

    // A file of the user's folder that this process made (at most a few): it
    // is removed when the process ends, by a signal too, or at once by
    // Retirar, but only while it is still that very file; one that another
    // process has put in its place stays.
    static void BorrarAlTerminar(const QString& ruta);
    static void Retirar(const QString& ruta);

    // Moves `propio`, a file of this process's folder, to `ruta` in the
    // user's folder in one step, replacing what is there, and removes it as
    // BorrarAlTerminar does. False when it could not be moved.
    static bool Publicar(const QString& propio, const QString& ruta);

    // A temporary file beside a file being replaced, removed by its path (its
    // own bytes) when a signal ends the process (at most a few at once);
    // NoBorrarTemporal... takes it back once the file is gone or has become
    // the user's.
    static void BorrarTemporalAlTerminar(const QByteArray& ruta);
    static void NoBorrarTemporalAlTerminar(const QByteArray& ruta);
};
