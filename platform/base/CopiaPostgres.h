#pragma once

#include "platform/base/EsperaPostgres.h"
#include "platform/base/Manijas.h"

#include <QByteArray>
#include <QString>
#include <QVarLengthArray>

// How the rows of one INSERT form travel through COPY instead of one statement
// each: the COPY command, and for every column the literal it takes, or -1
// for a NULL.
struct FormaCopia {
    QByteArray comando;
    QVarLengthArray<int, 4> columnas;
};

// Whether `forma` is "INSERT INTO tabla (a, b) VALUES (?, Null)" with plain
// column names and only "?" or Null for values; if so, fills `copia`.
bool ReconocerInsercion(const QString& forma, FormaCopia& copia);

// One COPY ... FROM STDIN in progress on a connection: rows are escaped into
// the text format and sent in blocks, so memory stays flat however many rows
// go. Every failure is raised as an ErrorEjecucion numbered Errores::BaseDatos.
class CopiaPostgres {
public:
    bool Activa() const { return conexion_ != nullptr; }
    // The COPY command in progress, empty when none.
    const QByteArray& Comando() const { return comando_; }

    // Every wait on the server is bounded by `espera`, which outlives the COPY.
    void Iniciar(pg_conn* conexion, const EsperaPostgres& espera, const FormaCopia& forma);
    // One row of a form whose command is the one in progress: forms that
    // differ only in which values are Null share it.
    void Agregar(const FormaCopia& forma, const QVarLengthArray<QStringView, 4>& literales);
    // Sends what is left and ends the COPY; raises the server's error, if
    // any row failed.
    void Terminar();
    // Ends the COPY discarding its rows; never raises.
    void Cancelar();

private:
    void Enviar();
    // Reads every result the COPY left: null when it succeeded, else the
    // first failure.
    ResultadoPostgres Resultados();
    // Waits until libpq has sent what it holds; raises when the server stops taking it.
    void Vaciar();
    // Raises the failure (or the connection's error when null) and forgets the COPY.
    [[noreturn]] void Fallar(const pg_result* fallido);
    void Olvidar();

    pg_conn* conexion_ = nullptr;
    const EsperaPostgres* espera_ = nullptr;
    QByteArray comando_;
    QByteArray bloque_;
};
