#pragma once

#include "platform/base/CopiaPostgres.h"
#include "platform/base/DestinoPostgres.h"
#include "platform/base/Manijas.h"
#include "platform/base/Motor.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <memory>

// A shared PostgreSQL server through libpq. Statements that share a form share
// one prepared statement; inside a transaction, consecutive inserts of one
// form whose values are all literals or Null travel as one COPY, which is
// ended before any other statement and at commit.
class MotorPostgres : public Motor {
public:
    // Connects with a libpq connection string ("host=... dbname=... user=..."
    // or a "postgresql://" URI); the password comes only from libpq's own
    // sources (~/.pgpass, PGPASSFILE, a service file). Creates the program's
    // tables when they are missing and the user may; otherwise the reason
    // gives the SQL an administrator can run. Raises the reason when the
    // server cannot be reached, refuses the user or lacks the database, and
    // when the user lacks a right the program needs.
    static std::unique_ptr<MotorPostgres> Abrir(const QString& cadena);
    // The same connection for reading only: the tables are neither made nor
    // checked, and a missing one fails the query that reads it. When this
    // process has opened `cadena` with Abrir, the reader connects with what
    // that connection resolved (host, address, port, database, user, TLS
    // settings, the password it used), never with the string, a service file
    // or the environment read afresh: it reads the database the program wrote.
    static std::unique_ptr<MotorPostgres> AbrirLectura(const QString& cadena);
    ~MotorPostgres() override;

    void Ejecutar(const SentenciaParametrizada& sentencia) override;
    // Rows come one at a time (libpq's single-row mode), so a long answer
    // is never held whole.
    void Consultar(const SentenciaParametrizada& sentencia, const LectorFilas& lector) override;
    // Comenzar waits for the other runs' transactions (up to EsperaOcupada).
    // After a lost connection, Deshacer raises nothing: the server has undone
    // the transaction. A connection lost outside a transaction is opened
    // again at the next statement or transaction.
    void Comenzar() override;
    void Confirmar() override;
    void Deshacer() override;
    void EsperaOcupada(int milisegundos) override;
    // A row lock of the transaction's, taken just before its last statement,
    // so that runs of different files wait for each other only for a moment;
    // a wait beyond EsperaOcupada names the other session's hold.
    void BloquearHistorial() override;
    void EstablecerAviso(Aviso aviso) override { espera_.aviso = std::move(aviso); }

    DestinoPostgres Destino() const { return DestinoDeConexion(conexion_.get()); }

private:
    struct Preparada {
        QByteArray sql;
        // Empty until the server has prepared it.
        QByteArray nombre;
        int parametros = 0;
        bool copiable = false;
        FormaCopia copia;
    };

    MotorPostgres(ManijaPostgres conexion, QByteArray cadena,
                  QList<QPair<QByteArray, QByteArray>> fijos = {});
    void Reconectar();
    void PrepararSesion();
    bool TablasPresentes();
    void AsegurarEsquema();
    void CrearEsquema();
    // Refuses temporary tables and tables without the program's columns.
    void ComprobarTablas();
    void ComprobarPermisos();
    void Actualizar();
    // The form's entry, made on first sight; the server prepares it at its
    // first execution outside a COPY.
    Preparada& Preparar(const QString& forma);
    // Prepares the form on the server, under a name of its own.
    void PrepararEnServidor(Preparada& preparada);
    void EjecutarPreparada(const Preparada& preparada, const SentenciaParametrizada& sentencia);
    // Sends the prepared statement with its literals; false when libpq could not.
    bool EnviarPreparada(const Preparada& preparada, const SentenciaParametrizada& sentencia);
    // The statement's form, its literals counted; the connection made again
    // first when it was lost outside a transaction.
    Preparada& Buscar(const SentenciaParametrizada& sentencia);
    // The form ready to run on its own: any COPY ended, prepared on the server.
    const Preparada& FueraDeCopia(Preparada& preparada);
    // The last result of the statement sent last, as PQexec gives it, telling
    // the notice while the server works on it and asking the server to stop
    // when it says so; raises when the server stops answering.
    ResultadoPostgres EsperarResultado();
    // PQexec with every wait bounded: null when the command could not be sent.
    ResultadoPostgres Enviar(const char* sql);
    // Runs a command and returns its result; raises on failure.
    ResultadoPostgres Comando(const char* sql);
    void ComandoSinFilas(const char* sql);
    [[noreturn]] void Fallar(const pg_result* resultado);

    ManijaPostgres conexion_;
    QByteArray cadena_;
    // A reader's settings, resolved by the program's connection; empty: the string's.
    QList<QPair<QByteArray, QByteArray>> fijos_;
    int esperaOcupada_;
    bool enTransaccion_ = false;
    QHash<QString, Preparada> preparadas_;
    int siguienteNombre_ = 0;
    CopiaPostgres copia_;
    EsperaPostgres espera_;
    QVarLengthArray<QByteArray, 4> utf8_;
};
