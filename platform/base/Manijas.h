#pragma once

#include <memory>

// The engines' C handles, each released by its own library's call when its
// owner goes: no path, thrown or returned, leaves one open.

struct sqlite3;
struct sqlite3_stmt;
struct pg_conn;
struct pg_result;
struct pg_cancel;
struct _PQconninfoOption;

struct CerrarSqlite {
    void operator()(sqlite3* db) const;
};
struct FinalizarSentencia {
    void operator()(sqlite3_stmt* sentencia) const;
};
struct CerrarPostgres {
    void operator()(pg_conn* conexion) const;
};
struct LiberarResultado {
    void operator()(pg_result* resultado) const;
};
struct LiberarOpciones {
    void operator()(_PQconninfoOption* opciones) const;
};
struct LiberarCancelacion {
    void operator()(pg_cancel* cancelacion) const;
};
struct LiberarMemoriaPostgres {
    void operator()(char* memoria) const;
};

using ManijaSqlite = std::unique_ptr<sqlite3, CerrarSqlite>;
using ManijaSentencia = std::unique_ptr<sqlite3_stmt, FinalizarSentencia>;
using ManijaPostgres = std::unique_ptr<pg_conn, CerrarPostgres>;
using ResultadoPostgres = std::unique_ptr<pg_result, LiberarResultado>;
using OpcionesPostgres = std::unique_ptr<_PQconninfoOption, LiberarOpciones>;
using CancelacionPostgres = std::unique_ptr<pg_cancel, LiberarCancelacion>;
// Text that libpq allocated (an escaped name, a parser's error).
using TextoPostgres = std::unique_ptr<char, LiberarMemoriaPostgres>;

class QByteArray;

// The value libpq gives `clave` among `opciones` (PQconninfo's or
// PQconninfoParse's), or nullptr when it has none.
const char* ValorOpcion(const _PQconninfoOption* opciones, const char* clave);

// sqlite3_open_v2 into `db`, which owns the handle even when opening failed
// (the engine's reason is read from it). The engine's process-wide options
// are set once, before its first connection.
int AbrirSqlite(const QByteArray& ruta, int banderas, ManijaSqlite& db);
