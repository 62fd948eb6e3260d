#pragma once

#include "platform/base/Motor.h"

#include <QHash>
#include <QString>
#include <QStringEncoder>

#include <memory>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// The embedded engine: an SQLite file protected by a password verifier stored
// inside it. Statements that share a form share one prepared statement.
class MotorSqlite : public Motor {
public:
    // Opens the file at `ruta` and checks `contrasena` against its verifier.
    // Raises the reason when the file is missing, not a file, read-only, not
    // one of the program's databases, or the password does not match.
    static std::unique_ptr<MotorSqlite> Abrir(const QString& ruta, const QString& contrasena);
    ~MotorSqlite() override;

    void Ejecutar(const SentenciaParametrizada& sentencia) override;
    void Comenzar() override;
    void Confirmar() override;
    void Deshacer() override;
    void EsperaOcupada(int milisegundos) override;
    void EstablecerAviso(Aviso aviso) override;

private:
    explicit MotorSqlite(sqlite3* db)
        : db_(db) {}
    sqlite3_stmt* Preparar(const QString& forma);
    sqlite3_stmt* Compilar(const QString& forma);
    void EjecutarDirecto(const char* sql);
    static int Avisar(void* motor);

    sqlite3* db_;
    Aviso aviso_;
    QHash<QString, sqlite3_stmt*> preparadas_;
    sqlite3_stmt* ultima_ = nullptr;
    QString ultimaForma_;
    QStringEncoder codificador_{QStringEncoder::Utf8};
    std::vector<std::vector<char>> utf8_;
};
