#pragma once

#include "platform/base/Parametrizacion.h"

#include <QStringList>

#include <functional>

// One database engine behind the program's connection. Statements arrive split
// into their form and their literals; every failure is raised as an
// ErrorEjecucion numbered Errores::BaseDatos with a Spanish reason followed by
// the engine's own text.
class Motor {
public:
    virtual ~Motor() = default;

    // Runs one statement; outside a transaction its effect is committed.
    virtual void Ejecutar(const SentenciaParametrizada& sentencia) = 0;

    // Runs a query and tells `lector` each row as it arrives, its columns as
    // text (a Null one as a null string); when `lector` returns false the
    // rest is not read.
    using LectorFilas = std::function<bool(const QStringList&)>;
    virtual void Consultar(const SentenciaParametrizada& sentencia, const LectorFilas& lector) = 0;

    // A transaction that takes the write lock before any change; Deshacer
    // after any failure leaves the database as it was before Comenzar.
    virtual void Comenzar() = 0;
    virtual void Confirmar() = 0;
    virtual void Deshacer() = 0;

    // Inside a transaction, makes every other writer of the run history wait
    // for its end, so that its rows are chained in the order they are added.
    // The embedded engine's transaction already holds the only write lock.
    virtual void BloquearHistorial() {}

    // How long a statement waits for another writer before it fails.
    virtual void EsperaOcupada(int milisegundos) = 0;

    // Told now and then while a statement keeps the engine busy (a long
    // delete, a wait for another writer), so that the caller can show that it
    // is alive; when it returns false the statement stops and fails. Empty:
    // nobody is told.
    using Aviso = std::function<bool()>;
    virtual void EstablecerAviso(Aviso aviso) = 0;
};
