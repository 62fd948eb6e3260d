#include "platform/base/ErroresBase.h"

#include "platform/proceso/ErrorEjecucion.h"

#include <QHash>

#include <libpq-fe.h>
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

QString RazonPostgres(const QString& estado) {
    static const QHash<QString, QString> exactas{
        {QStringLiteral("08001"),
         QStringLiteral("No se pudo conectar con el servidor de base de datos")},
        {QStringLiteral("28P01"),
         QStringLiteral("La contraseña del usuario no es válida, o no está guardada en ~/.pgpass, "
                        "en el archivo que indica PGPASSFILE ni en un archivo de servicio")},
        {QStringLiteral("28000"), QStringLiteral("El servidor no admite a este usuario")},
        {QStringLiteral("3D000"), QStringLiteral("No existe la base de datos")},
        {QStringLiteral("42501"),
         QStringLiteral("El usuario no tiene permiso para esta operación")},
        {QStringLiteral("42P01"), QStringLiteral("No existe la tabla")},
        {QStringLiteral("42703"), QStringLiteral("No existe la columna")},
        {QStringLiteral("55P03"),
         QStringLiteral("La base de datos está bloqueada por otro proceso")},
        {QStringLiteral("57014"),
         QStringLiteral("La instrucción superó el tiempo máximo de espera y se canceló")},
        {QStringLiteral("57P01"), QStringLiteral("El servidor de base de datos se detuvo")},
        {QStringLiteral("57P02"), QStringLiteral("El servidor de base de datos se detuvo")},
        {QStringLiteral("57P03"),
         QStringLiteral("El servidor de base de datos está arrancando o deteniéndose")},
        {QStringLiteral("40001"),
         QStringLiteral("Otro proceso cambió los mismos datos a la vez; vuelva a intentarlo")},
        {QStringLiteral("40P01"),
         QStringLiteral("Dos procesos se esperaban mutuamente y se canceló este; vuelva a "
                        "intentarlo")},
        {QStringLiteral("25006"), QStringLiteral("La base de datos es de solo lectura")},
        {QStringLiteral("25P02"),
         QStringLiteral("La transacción ya había fallado y sus cambios se descartan")},
        {QStringLiteral("53100"), QStringLiteral("No queda espacio en el disco del servidor")},
        {QStringLiteral("53300"),
         QStringLiteral("El servidor de base de datos no admite más conexiones")},
    };
    static const QHash<QString, QString> clases{
        {QStringLiteral("08"),
         QStringLiteral("Se perdió la conexión con el servidor de base de datos")},
        {QStringLiteral("22"), QStringLiteral("Un dato no es válido para la base de datos")},
        {QStringLiteral("23"), QStringLiteral("Los datos no cumplen las reglas de la tabla")},
        {QStringLiteral("40"),
         QStringLiteral("La transacción se deshizo por un conflicto con otro proceso")},
        {QStringLiteral("42"), QStringLiteral("La instrucción SQL no es válida")},
        {QStringLiteral("53"), QStringLiteral("Al servidor de base de datos le faltan recursos")},
        {QStringLiteral("58"),
         QStringLiteral("Error de lectura o escritura en el servidor de base de datos")},
        {QStringLiteral("XX"), QStringLiteral("Error interno del servidor de base de datos")},
    };
    const auto exacta = exactas.constFind(estado);
    if (exacta != exactas.cend())
        return *exacta;
    return clases.value(estado.left(2), QStringLiteral("Error de la base de datos"));
}

QString ConTexto(const QString& razon, const QString& mensaje) {
    return mensaje.isEmpty() ? razon : razon + QStringLiteral(" (") + mensaje + u')';
}
} // namespace

QString MotivoSqlite(int codigo, const QString& mensajeMotor) {
    return ConTexto(Razon(codigo), mensajeMotor);
}

QString MotivoPostgres(const QString& estadoSql, const QString& mensajeServidor) {
    return ConTexto(RazonPostgres(estadoSql), mensajeServidor);
}

ErrorEjecucion ErrorPostgres(const pg_conn* conexion, const pg_result* resultado) {
    QString estado;
    QString mensaje;
    if (resultado) {
        estado = QString::fromUtf8(PQresultErrorField(resultado, PG_DIAG_SQLSTATE));
        mensaje = QString::fromUtf8(PQresultErrorField(resultado, PG_DIAG_MESSAGE_PRIMARY));
    }
    if (mensaje.isEmpty())
        mensaje = QString::fromUtf8(resultado ? PQresultErrorMessage(resultado)
                                              : PQerrorMessage(conexion));
    // An error of libpq's own, with no state from the server, is the
    // connection failing: libpq may still call it good until its next use.
    if (PQstatus(conexion) == CONNECTION_BAD || estado.isEmpty())
        estado = QStringLiteral("08006");
    return ErrorEjecucion(Errores::BaseDatos, MotivoPostgres(estado, mensaje.simplified()));
}
