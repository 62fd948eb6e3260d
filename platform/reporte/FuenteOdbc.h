#pragma once

#include "platform/reporte/FuenteFilas.h"

#include <QString>

class QSqlQuery;

// The rows through Qt's QODBC driver, for the embedded engine's file (or any
// data source a template names).
class FuenteOdbc : public FuenteFilas {
public:
    // Opens the data source named by the ODBC connection string ("DSN=name;..."
    // or "DRIVER=...;..."). Raises 20520.
    explicit FuenteOdbc(const QString& conexion);
    ~FuenteOdbc() override;
    FuenteOdbc(const FuenteOdbc&) = delete;
    FuenteOdbc& operator=(const FuenteOdbc&) = delete;

    QString Orden() const override { return orden_; }
    std::optional<QStringList> Columnas(const QString& tabla) override;
    void Leer(const QString& sql, const QVariantList& valores,
              const std::function<void(const QStringList&)>& fila) override;

    // The name of the QODBC connection argument for a connection string: a
    // bare data source name gets the driver options the listing needs.
    static QString NombreConexion(const QString& conexion);

private:
    void Cerrar();

    QString nombre_;
    QString orden_ = QStringLiteral("rowid");
};
