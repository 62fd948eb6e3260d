#include "platform/base/Manijas.h"

#include <QByteArray>

#include <libpq-fe.h>
#include <sqlite3.h>

#include <cstring>
#include <mutex>

void CerrarSqlite::operator()(sqlite3* db) const {
    // Closing with a transaction open rolls it back.
    sqlite3_close_v2(db);
}

void FinalizarSentencia::operator()(sqlite3_stmt* sentencia) const {
    sqlite3_finalize(sentencia);
}

void CerrarPostgres::operator()(pg_conn* conexion) const {
    // The server undoes a transaction left open.
    PQfinish(conexion);
}

void LiberarResultado::operator()(pg_result* resultado) const {
    PQclear(resultado);
}

void LiberarOpciones::operator()(_PQconninfoOption* opciones) const {
    PQconninfoFree(opciones);
}

const char* ValorOpcion(const _PQconninfoOption* opciones, const char* clave) {
    for (const PQconninfoOption* o = opciones; o && o->keyword; ++o)
        if (std::strcmp(o->keyword, clave) == 0)
            return o->val;
    return nullptr;
}

void LiberarCancelacion::operator()(pg_cancel* cancelacion) const {
    PQfreeCancel(cancelacion);
}

void LiberarMemoriaPostgres::operator()(char* memoria) const {
    PQfreemem(memoria);
}

int AbrirSqlite(const QByteArray& ruta, int banderas, ManijaSqlite& db) {
    static std::once_flag configurada;
    // No memory statistics: keeping them takes a global lock on every
    // allocation SQLite makes, a few for every row a run inserts. SQLite takes
    // it only before its first connection.
    std::call_once(configurada, [] { sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0); });
    sqlite3* crudo = nullptr;
    const int resultado = sqlite3_open_v2(ruta.constData(), &crudo, banderas, nullptr);
    db.reset(crudo);
    return resultado;
}
