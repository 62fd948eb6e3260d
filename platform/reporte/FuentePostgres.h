#pragma once

#include "platform/reporte/FuenteFilas.h"

#include <QString>

#include <memory>

class MotorPostgres;

// The rows through the program's own libpq connection to a server, with the
// run's deadlines, made with what the run's connection resolved from the same
// string (MotorPostgres::AbrirLectura).
class FuentePostgres : public FuenteFilas {
public:
    // Connects with the libpq connection string. Raises 20520.
    explicit FuentePostgres(const QString& cadena);
    ~FuentePostgres() override;
    FuentePostgres(const FuentePostgres&) = delete;
    FuentePostgres& operator=(const FuentePostgres&) = delete;

    QString Orden() const override { return QStringLiteral("id"); }
    std::optional<QStringList> Columnas(const QString& tabla) override;
    void Leer(const QString& sql, const QVariantList& valores,
              const std::function<void(const QStringList&)>& fila) override;

private:
    std::unique_ptr<MotorPostgres> motor_;
};
