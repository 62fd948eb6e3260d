#pragma once

#include "platform/base/DestinoPostgres.h"
#include "platform/base/Parametrizacion.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class Motor;

// The program's database connection, in the manner of an ADO connection: a
// connection string, Open, Execute and the three transaction calls.
//
// A string that starts with "Provider=" names an SQLite file protected by a
// password ("Provider=...;Data Source=...;...;Jet OLEDB:Database Password=...");
// any other is a libpq connection string for a PostgreSQL server
// ("host=... dbname=... user=..." or a "postgresql://" URI), whose password
// comes only from libpq's own sources. Every failure is raised as an
// ErrorEjecucion numbered Errores::BaseDatos whose description gives the
// reason in Spanish followed by the engine's own text.
class Conexion {
public:
    Conexion();
    ~Conexion();
    Conexion(const Conexion&) = delete;
    Conexion& operator=(const Conexion&) = delete;

    QString ConnectionString() const { return cadena_; }
    void SetConnectionString(const QString& cadena) { cadena_ = cadena; }

    void Open();
    bool EstaAbierta() const { return motor_ != nullptr; }

    // Runs one statement at once; outside a transaction its effect is
    // committed. Statements whose texts differ only in their quoted literals
    // share one prepared statement, with the literals bound exactly as the
    // text spells them.
    void Execute(const QString& sql);

    // Runs a query, its literals bound as Execute binds them, and tells
    // `lector` each row in turn, as text; false from `lector` stops it.
    void Consultar(const QString& sql, const std::function<bool(const QStringList&)>& lector);

    // The same, for a statement whose every "?" stands for the next of
    // `valores`, bound as text and never parsed out of the statement.
    void Execute(const QString& forma, const QStringList& valores);
    void Consultar(const QString& forma, const QStringList& valores,
                   const std::function<bool(const QStringList&)>& lector);

    // The write lock is taken at BeginTrans, so a busy database fails before
    // any change.
    void BeginTrans();
    void CommitTrans();
    void RollbackTrans();
    bool EnTransaccion() const { return enTransaccion_; }

    // Inside a transaction: other writers of the run history wait for its end.
    void BloquearHistorial();

    // How long a statement waits for another writer before it fails.
    void EstablecerEsperaOcupada(int milisegundos);

    // Told now and then during a long statement; returning false stops the
    // statement, which then fails. Empty: nobody is told.
    void EstablecerAviso(std::function<bool()> aviso);

    // Where the server of an open PostgreSQL connection is, as libpq resolved
    // it; nothing for the embedded engine or a closed connection.
    std::optional<DestinoPostgres> DestinoServidor() const;

private:
    Motor& MotorAbierto();
    // Splits `sql` into sentencia_'s form and literals.
    void Separar(const QString& sql);
    void Vincular(const QString& forma, const QStringList& valores);

    QString cadena_;
    std::unique_ptr<Motor> motor_;
    std::optional<int> espera_; // set before Open, the opening waits as long
    bool enTransaccion_ = false;
    // Kept between statements: a run executes one for every line of a file.
    SentenciaParametrizada sentencia_;
};
