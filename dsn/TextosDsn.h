#pragma once

#include <QString>

// The data-source registrar's messages.
namespace TextosDsn {
inline const QString BaseNoExiste = QStringLiteral("El archivo de base de datos NO existe!");
inline const QString PrefijoError = QStringLiteral("CrearDSN::Error: ");
inline const QString Error = QStringLiteral("CrearDSN::Error %1: %2");
inline const QString SinMemoria = QStringLiteral("CrearDSN::Error 7: Memoria insuficiente");
} // namespace TextosDsn
