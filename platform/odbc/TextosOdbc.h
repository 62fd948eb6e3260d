#pragma once

#include <QString>

// The ODBC layer's messages: why a user data source could not be written.
namespace TextosOdbc {
inline const QString SinFuente = QStringLiteral("Falta el nombre de la fuente de datos");
inline const QString ConControl =
    QStringLiteral("«%1» tiene caracteres de control: no se escribe en la configuración ODBC");
inline const QString SinControlador =
    QStringLiteral("El controlador ODBC \"%1\" no está instalado");
inline const QString PeticionNoAdmitida =
    QStringLiteral("Petición al instalador ODBC no admitida: %1");
inline const QString NoSeEscribio = QStringLiteral("No se pudo escribir «%1»: %2");
inline const QString ErrorInstalador = QStringLiteral("%1 (código %2)");
} // namespace TextosOdbc
