#include "platform/base/MotorSqlite.h"

#include "platform/base/BaseDatos.h"
#include "platform/proceso/ErrorEjecucion.h"
#include "platform/base/ErroresBase.h"
#include "platform/proceso/Rutas.h"

#include <sqlite3.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// No memory statistics: keeping them takes a global lock on every allocation
// SQLite makes, a few for every row a run inserts. Set before any connection.
const int kSinEstadisticas = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);

constexpr int kEsperaPredeterminada = 5000;
constexpr int kMaximoPreparadas = 64;
// Virtual machine steps between two notices during a statement: a few
// thousand a millisecond.
constexpr int kPasosPorAviso = 20000;

[[noreturn]] void Fallar(sqlite3* db, int codigo) {
    throw ErrorEjecucion(
        Errores::BaseDatos,
        MotivoSqlite(codigo, db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString()));
}

[[noreturn]] void FallarTexto(const QString& texto) {
    throw ErrorEjecucion(Errores::BaseDatos, texto);
}

bool EsEscribible(const QByteArray& ruta) {
    struct stat info {};
    if (stat(ruta.constData(), &info) != 0)
        return false;
    // The superuser passes every access test, so a file with no write bit at
    // all counts as read-only for everyone.
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return false;
    return access(ruta.constData(), W_OK) == 0;
}

} // namespace

std::unique_ptr<MotorSqlite> MotorSqlite::Abrir(const QString& ruta, const QString& contrasena) {
    const QByteArray rutaLocal = RutaABytes(ruta);
    struct stat info {};
    if (ruta.isEmpty() || stat(rutaLocal.constData(), &info) != 0)
        FallarTexto(QStringLiteral("No se encontró el archivo de base de datos '%1'").arg(ruta));
    if (!S_ISREG(info.st_mode))
        FallarTexto(QStringLiteral("'%1' no es un archivo de base de datos").arg(ruta));
    if (!EsEscribible(rutaLocal))
        FallarTexto(QStringLiteral("El archivo de base de datos '%1' es de solo lectura o no se "
                                   "puede escribir")
                        .arg(ruta));

    sqlite3* db = nullptr;
    // One thread uses a connection: SQLite need not lock it on every call.
    const int r = sqlite3_open_v2(rutaLocal.constData(), &db,
                                  SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (r != SQLITE_OK) {
        const QString motivo = MotivoSqlite(r, QString::fromUtf8(sqlite3_errmsg(db)));
        sqlite3_close_v2(db);
        FallarTexto(motivo);
    }
    sqlite3_busy_timeout(db, kEsperaPredeterminada);
    sqlite3_exec(db, "PRAGMA cache_size=-16384", nullptr, nullptr, nullptr);

    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(db, ConsultaVerificador, -1, &st, nullptr);
    bool valida = false;
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(st);
        if (rc == SQLITE_ROW) {
            const QByteArray sal(static_cast<const char*>(sqlite3_column_blob(st, 0)),
                                 sqlite3_column_bytes(st, 0));
            const QByteArray guardado(static_cast<const char*>(sqlite3_column_blob(st, 1)),
                                      sqlite3_column_bytes(st, 1));
            valida = !guardado.isEmpty() && DerivarVerificador(contrasena, sal) == guardado;
            rc = SQLITE_OK;
        }
    }
    if (rc != SQLITE_OK && rc != SQLITE_DONE) {
        // A database without the verifier's table is not one of ours.
        const QString motivo = MotivoSqlite(rc == SQLITE_ERROR ? SQLITE_NOTADB : rc,
                                            QString::fromUtf8(sqlite3_errmsg(db)));
        sqlite3_finalize(st);
        sqlite3_close_v2(db);
        FallarTexto(motivo);
    }
    sqlite3_finalize(st);
    if (!valida) {
        sqlite3_close_v2(db);
        FallarTexto(QStringLiteral("No es una contraseña válida."));
    }
    // A database of the first version gets the tables it lacks, once.
    if (sqlite3_exec(db, ConsultaVersion, nullptr, nullptr, nullptr) != SQLITE_OK) {
        const int a = sqlite3_exec(db, ActualizacionBaseDatos, nullptr, nullptr, nullptr);
        if (a != SQLITE_OK) {
            const QString motivo = MotivoSqlite(a, QString::fromUtf8(sqlite3_errmsg(db)));
            sqlite3_close_v2(db);
            FallarTexto(motivo);
        }
    }
    return std::unique_ptr<MotorSqlite>(new MotorSqlite(db));
}

MotorSqlite::~MotorSqlite() {
    for (sqlite3_stmt* st : std::as_const(preparadas_))
        sqlite3_finalize(st);
    // Closing with a transaction open rolls it back.
    sqlite3_close_v2(db_);
}

void MotorSqlite::EsperaOcupada(int milisegundos) {
    sqlite3_busy_timeout(db_, milisegundos);
}

void MotorSqlite::EstablecerAviso(Aviso aviso) {
    aviso_ = std::move(aviso);
    sqlite3_progress_handler(db_, aviso_ ? kPasosPorAviso : 0,
                             aviso_ ? &MotorSqlite::Avisar : nullptr, this);
}

int MotorSqlite::Avisar(void* motor) {
    // Non-zero interrupts the statement, which then fails.
    return static_cast<MotorSqlite*>(motor)->aviso_() ? 0 : 1;
}

void MotorSqlite::Comenzar() {
    EjecutarDirecto("BEGIN IMMEDIATE");
}

void MotorSqlite::Confirmar() {
    EjecutarDirecto("COMMIT");
}

void MotorSqlite::Deshacer() {
    if (sqlite3_get_autocommit(db_))
        return; // the engine already rolled back on its own error
    EjecutarDirecto("ROLLBACK");
}

sqlite3_stmt* MotorSqlite::Preparar(const QString& forma) {
    // A run repeats one form line after line: the last one is checked first.
    if (ultima_ && forma == ultimaForma_)
        return ultima_;
    sqlite3_stmt* st = preparadas_.value(forma);
    if (!st) {
        if (preparadas_.size() >= kMaximoPreparadas) {
            for (sqlite3_stmt* viejo : std::as_const(preparadas_))
                sqlite3_finalize(viejo);
            preparadas_.clear();
        }
        st = Compilar(forma);
        preparadas_.insert(forma, st);
    }
    ultima_ = st;
    ultimaForma_ = forma;
    return st;
}

sqlite3_stmt* MotorSqlite::Compilar(const QString& forma) {
    sqlite3_stmt* st = nullptr;
    const QByteArray texto = forma.toUtf8();
    const char* resto = nullptr;
    const int r = sqlite3_prepare_v3(db_, texto.constData(), int(texto.size()),
                                     SQLITE_PREPARE_PERSISTENT, &st, &resto);
    if (r != SQLITE_OK)
        Fallar(db_, r);
    if (!st)
        FallarTexto(QStringLiteral("La instrucción SQL está vacía"));
    while (resto && *resto &&
           (*resto == ' ' || *resto == ';' || *resto == '\n' || *resto == '\r' || *resto == '\t'))
        ++resto;
    if (resto && *resto) {
        sqlite3_finalize(st);
        FallarTexto(
            QStringLiteral("Se encontraron caracteres después del final de la instrucción SQL"));
    }
    return st;
}

void MotorSqlite::Ejecutar(const SentenciaParametrizada& sentencia) {
    sqlite3_stmt* st = Preparar(sentencia.forma);
    const qsizetype n = sentencia.literales.size();
    if (sqlite3_bind_parameter_count(st) != n)
        FallarTexto(
            QStringLiteral("La instrucción SQL no es válida: %1").arg(sentencia.forma.trimmed()));
    // Every parameter is bound again, from buffers that live until the next
    // statement, so SQLite needs no copy of its own.
    if (qsizetype(utf8_.size()) < n)
        utf8_.resize(size_t(n));
    for (qsizetype i = 0; i < n; ++i) {
        const QStringView literal = sentencia.literales[i];
        std::vector<char>& bytes = utf8_[size_t(i)];
        // Never a null pointer: SQLite would bind an empty text as Null.
        if (qsizetype(bytes.size()) < literal.size() * 3 + 1)
            bytes.resize(size_t(literal.size()) * 3 + 1);
        const char* fin = codificador_.appendToBuffer(bytes.data(), literal);
        sqlite3_bind_text(st, int(i + 1), bytes.data(), int(fin - bytes.data()), SQLITE_STATIC);
    }
    int r;
    do {
        r = sqlite3_step(st);
    } while (r == SQLITE_ROW);
    sqlite3_reset(st);
    if (r != SQLITE_DONE)
        Fallar(db_, r);
}

void MotorSqlite::EjecutarDirecto(const char* sql) {
    const int r = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
    if (r != SQLITE_OK)
        Fallar(db_, r);
}
