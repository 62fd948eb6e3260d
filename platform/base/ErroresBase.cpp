#include "platform/base/ErroresBase.h"

#include "platform/base/TextosBase.h"
#include "platform/proceso/ErrorEjecucion.h"

#include <libpq-fe.h>
#include <sqlite3.h>

namespace {
QString Razon(int codigo) {
    switch (codigo & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return TextosBase::Bloqueada;
    case SQLITE_READONLY:
        return TextosBase::BaseSoloLectura;
    case SQLITE_FULL:
        return TextosBase::DiscoLleno;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return TextosBase::FormatoDesconocido;
    case SQLITE_CANTOPEN:
        return TextosBase::NoSeAbre;
    case SQLITE_IOERR:
        return TextosBase::ErrorEntradaSalida;
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return TextosBase::PermisoDenegado;
    default:
        return TextosBase::ErrorBase;
    }
}

QString RazonPostgres(const QString& estado) {
    for (const TextosBase::RazonEstado& r : TextosBase::RazonesPostgres) {
        if (estado == QLatin1String(r.estado))
            return QString::fromUtf8(r.razon);
    }
    for (const TextosBase::RazonEstado& r : TextosBase::RazonesClasePostgres) {
        if (estado.left(2) == QLatin1String(r.estado))
            return QString::fromUtf8(r.razon);
    }
    return TextosBase::ErrorBase;
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
