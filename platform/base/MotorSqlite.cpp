#include "platform/base/MotorSqlite.h"

#include "platform/base/BaseDatos.h"
#include "platform/base/ErroresBase.h"
#include "platform/base/TextosBase.h"
#include "platform/proceso/CapturaSenales.h"
#include "platform/proceso/ErrorEjecucion.h"
#include "platform/proceso/Rutas.h"

#include <sqlite3.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kEsperaPredeterminada = 5000;
constexpr size_t kMaximoPreparadas = 64;
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

void ComprobarArchivo(const QString& ruta, const QByteArray& rutaLocal) {
    struct stat info {};
    if (ruta.isEmpty() || stat(rutaLocal.constData(), &info) != 0)
        FallarTexto(TextosBase::SinArchivo.arg(ruta));
    if (!S_ISREG(info.st_mode))
        FallarTexto(TextosBase::NoEsArchivo.arg(ruta));
    if (!EsEscribible(rutaLocal))
        FallarTexto(TextosBase::ArchivoSoloLectura.arg(ruta));
}

// One step of the wait for another process's lock, `veces` steps in: short
// ones first, as SQLite's own wait takes them, up to `milisegundos` in all. A
// signal noted in batch mode, or `seguir` answering no, ends it at once.
int PasoOcupada(int veces, qint64 milisegundos, const std::function<bool()>& seguir) {
    const qint64 paso = veces < 10 ? veces + 1 : 25;
    const qint64 hecho = veces < 10 ? qint64(veces) * (veces + 1) / 2 : 55 + (veces - 10) * paso;
    if (hecho >= milisegundos || CapturaSenales::Recibida() != 0 || (seguir && !seguir()))
        return 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(qMin(paso, milisegundos - hecho)));
    return 1;
}

int EsperaDeApertura(void* milisegundos, int veces) {
    return PasoOcupada(veces, *static_cast<const int*>(milisegundos), {});
}

// `espera` lasts until the engine takes the connection, with a wait of its own.
ManijaSqlite Conectar(const QByteArray& rutaLocal, int* espera) {
    ManijaSqlite db;
    // One thread uses a connection: SQLite need not lock it on every call.
    const int r = AbrirSqlite(rutaLocal, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, db);
    if (r != SQLITE_OK)
        FallarTexto(MotivoSqlite(r, QString::fromUtf8(sqlite3_errmsg(db.get()))));
    sqlite3_busy_handler(db.get(), &EsperaDeApertura, espera);
    sqlite3_exec(db.get(), "PRAGMA cache_size=-16384", nullptr, nullptr, nullptr);
    return db;
}

QByteArray Columna(sqlite3_stmt* st, int columna) {
    return QByteArray(static_cast<const char*>(sqlite3_column_blob(st, columna)),
                      sqlite3_column_bytes(st, columna));
}

void ComprobarContrasena(sqlite3* db, const QString& contrasena) {
    sqlite3_stmt* crudo = nullptr;
    int rc = sqlite3_prepare_v2(db, ConsultaVerificador, -1, &crudo, nullptr);
    const ManijaSentencia st(crudo);
    bool valida = false;
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(st.get());
        if (rc == SQLITE_ROW) {
            const QByteArray guardado = Columna(st.get(), 1);
            valida = !guardado.isEmpty() &&
                     DerivarVerificador(contrasena, Columna(st.get(), 0)) == guardado;
            rc = SQLITE_OK;
        }
    }
    // A database without the verifier's table is not one of ours.
    if (rc != SQLITE_OK && rc != SQLITE_DONE)
        FallarTexto(MotivoSqlite(rc == SQLITE_ERROR ? SQLITE_NOTADB : rc,
                                 QString::fromUtf8(sqlite3_errmsg(db))));
    if (!valida)
        FallarTexto(TextosBase::ContrasenaNoValida);
}

void EjecutarOFallar(sqlite3* db, const char* sql) {
    const int r = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    if (r != SQLITE_OK)
        Fallar(db, r);
}

// The version the tables are at; 0 when the database has no table of versions.
int VersionDe(sqlite3* db) {
    int version = 0;
    sqlite3_exec(
        db, ConsultaVersion,
        [](void* destino, int, char** valores, char**) {
            // NOLINTNEXTLINE(cert-err34-c) a version that is not a number reads as 0: too old
            *static_cast<int*>(destino) = valores[0] ? std::atoi(valores[0]) : 0;
            return 0;
        },
        &version, nullptr);
    return version;
}

// A database of an earlier version gets what it lacks, once, whole or not at
// all; one of a later version is refused.
void Actualizar(sqlite3* db) {
    const int version = VersionDe(db);
    if (version > VersionBaseDatos)
        FallarTexto(TextosBase::VersionPosterior.arg(version));
    if (version == VersionBaseDatos)
        return;
    EjecutarOFallar(db, "BEGIN IMMEDIATE");
    try {
        if (version < 2)
            EjecutarOFallar(db, ActualizacionBaseDatos);
        if (version < 3)
            EjecutarOFallar(db, ActualizacionHistorial);
        EjecutarOFallar(db, ActualizacionIndicesHistorial);
        EjecutarOFallar(db, "COMMIT");
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

} // namespace

std::unique_ptr<MotorSqlite> MotorSqlite::Abrir(const QString& ruta, const QString& contrasena,
                                                std::optional<int> espera) {
    const QByteArray rutaLocal = RutaABytes(ruta);
    ComprobarArchivo(ruta, rutaLocal);
    // The opening's own reads wait for a writer as long as the statements will.
    int milisegundos = espera.value_or(kEsperaPredeterminada);
    ManijaSqlite db = Conectar(rutaLocal, &milisegundos);
    ComprobarContrasena(db.get(), contrasena);
    Actualizar(db.get());
    return std::unique_ptr<MotorSqlite>(new MotorSqlite(std::move(db), milisegundos));
}

MotorSqlite::MotorSqlite(ManijaSqlite db, int espera)
    : db_(std::move(db))
    , espera_(espera) {
    sqlite3_busy_handler(db_.get(), &MotorSqlite::Ocupada, this);
}

MotorSqlite::~MotorSqlite() = default;

void MotorSqlite::EsperaOcupada(int milisegundos) {
    espera_ = milisegundos;
}

int MotorSqlite::Ocupada(void* motor, int veces) {
    const auto* m = static_cast<MotorSqlite*>(motor);
    return PasoOcupada(veces, m->espera_, m->aviso_);
}

void MotorSqlite::EstablecerAviso(Aviso aviso) {
    aviso_ = std::move(aviso);
    sqlite3_progress_handler(db_.get(), aviso_ ? kPasosPorAviso : 0,
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
    if (sqlite3_get_autocommit(db_.get()))
        return; // the engine already rolled back on its own error
    EjecutarDirecto("ROLLBACK");
}

sqlite3_stmt* MotorSqlite::Preparar(const QString& forma) {
    // A run repeats one form line after line: the last one is checked first.
    if (ultima_ && forma == ultimaForma_)
        return ultima_;
    auto hallada = preparadas_.find(forma);
    if (hallada == preparadas_.end()) {
        if (preparadas_.size() >= kMaximoPreparadas) {
            ultima_ = nullptr;
            preparadas_.clear();
        }
        hallada = preparadas_.emplace(forma, Compilar(forma)).first;
    }
    ultima_ = hallada->second.get();
    ultimaForma_ = forma;
    return ultima_;
}

ManijaSentencia MotorSqlite::Compilar(const QString& forma) {
    sqlite3_stmt* crudo = nullptr;
    const QByteArray texto = forma.toUtf8();
    const char* resto = nullptr;
    const int r = sqlite3_prepare_v3(db_.get(), texto.constData(), int(texto.size()),
                                     SQLITE_PREPARE_PERSISTENT, &crudo, &resto);
    ManijaSentencia st(crudo);
    if (r != SQLITE_OK)
        Fallar(db_.get(), r);
    if (!st)
        FallarTexto(TextosBase::InstruccionVacia);
    while (resto && *resto &&
           (*resto == ' ' || *resto == ';' || *resto == '\n' || *resto == '\r' || *resto == '\t'))
        ++resto;
    if (resto && *resto)
        FallarTexto(TextosBase::RestoTrasInstruccion);
    return st;
}

sqlite3_stmt* MotorSqlite::Vincular(const SentenciaParametrizada& sentencia) {
    sqlite3_stmt* st = Preparar(sentencia.forma);
    const qsizetype n = sentencia.literales.size();
    if (sqlite3_bind_parameter_count(st) != n)
        FallarTexto(TextosBase::InstruccionNoValida.arg(sentencia.forma.trimmed()));
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
    return st;
}

void MotorSqlite::Ejecutar(const SentenciaParametrizada& sentencia) {
    sqlite3_stmt* st = Vincular(sentencia);
    int r;
    do {
        r = sqlite3_step(st);
    } while (r == SQLITE_ROW);
    sqlite3_reset(st);
    if (r != SQLITE_DONE)
        Fallar(db_.get(), r);
}

void MotorSqlite::Consultar(const SentenciaParametrizada& sentencia, const LectorFilas& lector) {
    sqlite3_stmt* st = Vincular(sentencia);
    const int columnas = sqlite3_column_count(st);
    QStringList fila;
    int r;
    while ((r = sqlite3_step(st)) == SQLITE_ROW) {
        fila.clear();
        for (int i = 0; i < columnas; ++i) {
            const auto* texto = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
            fila << (texto ? DesdeUtf8(QByteArrayView(texto, sqlite3_column_bytes(st, i)))
                           : QString());
        }
        bool seguir = false;
        try {
            seguir = lector(fila);
        } catch (...) {
            sqlite3_reset(st);
            throw;
        }
        if (!seguir) {
            r = SQLITE_DONE;
            break;
        }
    }
    sqlite3_reset(st);
    if (r != SQLITE_DONE)
        Fallar(db_.get(), r);
}

void MotorSqlite::EjecutarDirecto(const char* sql) {
    const int r = sqlite3_exec(db_.get(), sql, nullptr, nullptr, nullptr);
    if (r != SQLITE_OK)
        Fallar(db_.get(), r);
}
