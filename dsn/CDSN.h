#pragma once

#include "platform/odbc/OdbcPostgres.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

// Registers a user ODBC data source for a database file. It looks the data
// source up first: one that already points at the expected file is left alone,
// one that points anywhere else is rewritten.
class CDSN {
public:
    // `carpeta`: the folder whose database the data source is expected to name.
    explicit CDSN(QString carpeta)
        : Carpeta_(std::move(carpeta)) {}

    QString ErrorDesc() const { return ErrorDesc_; }

    QString DataSourceName() const { return DataSourceName_; }
    void SetDataSourceName(QString strDataSourceName) {
        DataSourceName_ = std::move(strDataSourceName);
    }

    QString DatabaseName() const { return DatabaseName_; }
    void SetDatabaseName(QString strDatabaseName) { DatabaseName_ = std::move(strDatabaseName); }

    QString DriverName() const { return DriverName_; }
    void SetDriverName(QString strDriverName) { DriverName_ = std::move(strDriverName); }

    // Points the data source at a PostgreSQL server instead of a database
    // file: the driver, the server's attributes, and no file to look up.
    void SetServidor(const DestinoPostgres& destino);

    // Asks the installer for `lAction` (1 adds, 3 removes) when needed. Returns
    // false, with the reason in ErrorDesc, when an error was raised; never throws.
    // ErrorDesc is not cleared by a later success.
    bool CrearDSN(int32_t lAction);

private:
    void Configurar(int32_t lAction) const;

    QString Carpeta_;
    QByteArray Extra_; // the server's attributes, each ended by a NUL
    bool Servidor_ = false;
    QString DataSourceName_;
    QString DatabaseName_;
    QString DriverName_;
    QString ErrorDesc_;
};

namespace DSN {
inline constexpr int32_t ErrorBaseNoExiste = -2147220904; // application error 600
} // namespace DSN
