#include "platform/ErroresBase.h"

#include <sqlite3.h>

namespace {
QString Razon(int codigo) {
    switch (codigo & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("La base de datos está bloqueada por otro proceso");
    case SQLITE_READONLY:
        return QStringLiteral("La base de datos es de solo lectura");
    case SQLITE_FULL:
        return QStringLiteral("No queda espacio en el disco");
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return QStringLiteral("No se reconoce el formato de la base de datos");
    case SQLITE_CANTOPEN:
        return QStringLiteral("No se pudo abrir el archivo de base de datos");
    case SQLITE_IOERR:
        return QStringLiteral("Error de lectura o escritura en la base de datos");
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return QStringLiteral("Permiso denegado sobre la base de datos");
    default:
        return QStringLiteral("Error de la base de datos");
    }
}
} // namespace

QString MotivoSqlite(int codigo, const QString& mensajeMotor) {
    const QString razon = Razon(codigo);
    return mensajeMotor.isEmpty() ? razon : razon + QStringLiteral(" (") + mensajeMotor + u')';
}
