#include "platform/base/DestinoPostgres.h"

#include "platform/base/Manijas.h"

#include <QFileInfo>

#include <libpq-fe.h>

namespace {

const char* const kClavesTls[] = {"sslmode", "sslrootcert", "sslcert", "sslkey", "sslcrl"};

} // namespace

DestinoPostgres DestinoDeConexion(const pg_conn* conexion) {
    DestinoPostgres destino{QString::fromUtf8(PQhost(conexion)),
                            QString::fromUtf8(PQport(conexion)),
                            QString::fromUtf8(PQdb(conexion)),
                            QString::fromUtf8(PQuser(conexion)),
                            {}};
    // What the connection used, wherever it came from: the string, a service
    // file's entry, the PG* variables.
    const OpcionesPostgres opciones(PQconninfo(const_cast<pg_conn*>(conexion)));
    for (const char* clave : kClavesTls) {
        QString valor = QString::fromUtf8(ValorOpcion(opciones.get(), clave));
        // psqlODBC and isql run in other folders than the program did.
        if (!valor.isEmpty() && !destino.tls.isEmpty() && QFileInfo(valor).isRelative())
            valor = QFileInfo(valor).absoluteFilePath();
        destino.tls.append({QLatin1String(clave), valor});
    }
    return destino;
}
