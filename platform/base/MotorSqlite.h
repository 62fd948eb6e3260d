#pragma once

#include "platform/base/Manijas.h"
#include "platform/base/Motor.h"

#include <QString>
#include <QStringEncoder>

#include <memory>
#include <unordered_map>
#include <vector>

// The embedded engine: an SQLite file protected by a password verifier stored
// inside it. Statements that share a form share one prepared statement.
class MotorSqlite : public Motor {
public:
    // Opens the file at `ruta` and checks `contrasena` against its verifier.
    // Raises the reason when the file is missing, not a file, read-only, not
    // one of the program's databases, or the password does not match.
    static std::unique_ptr<MotorSqlite> Abrir(const QString& ruta, const QString& contrasena,
                                              std::optional<int> espera = std::nullopt);
    ~MotorSqlite() override;

    void Ejecutar(const SentenciaParametrizada& sentencia) override;
    void Consultar(const SentenciaParametrizada& sentencia, const LectorFilas& lector) override;
    void Comenzar() override;
    void Confirmar() override;
    void Deshacer() override;
    void EsperaOcupada(int milisegundos) override;
    void EstablecerAviso(Aviso aviso) override;

private:
    MotorSqlite(ManijaSqlite db, int espera);
    sqlite3_stmt* Preparar(const QString& forma);
    ManijaSentencia Compilar(const QString& forma);
    // The prepared statement of the form, with the literals bound.
    sqlite3_stmt* Vincular(const SentenciaParametrizada& sentencia);
    void EjecutarDirecto(const char* sql);
    static int Avisar(void* motor);
    // SQLite's busy handler: waits `espera_` for another process's lock, and
    // stops at a cancel.
    static int Ocupada(void* motor, int veces);

    // Declared first, so it is closed after every statement of its own.
    ManijaSqlite db_;
    Aviso aviso_;
    int espera_;
    std::unordered_map<QString, ManijaSentencia> preparadas_;
    sqlite3_stmt* ultima_ = nullptr;
    QString ultimaForma_;
    QStringEncoder codificador_{QStringEncoder::Utf8};
    std::vector<std::vector<char>> utf8_;
};
