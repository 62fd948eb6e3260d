#include "platform/Conexion.h"

#include "platform/BaseDatos.h"
#include "platform/ErrorEjecucion.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QVarLengthArray>

#include <sqlite3.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kEsperaPredeterminada = 5000;
constexpr int kMaximoPreparadas = 64;

const QStringList& ClavesConocidas() {
    static const QStringList claves = {
        QStringLiteral("Provider"),
        QStringLiteral("Data Source"),
        QStringLiteral("Persist Security Info"),
        QStringLiteral("Jet OLEDB:Database Password"),
        QStringLiteral("User ID"),
        QStringLiteral("Password"),
        QStringLiteral("Mode"),
    };
    return claves;
}

// The Spanish reason for an engine result, followed by the engine's own text.
QString Motivo(int codigo, const QString& mensajeMotor) {
    QString razon;
    switch (codigo & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        razon = QStringLiteral("La base de datos está bloqueada por otro proceso");
        break;
    case SQLITE_READONLY:
        razon = QStringLiteral("La base de datos es de solo lectura");
        break;
    case SQLITE_FULL:
        razon = QStringLiteral("No queda espacio en el disco");
        break;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        razon = QStringLiteral("No se reconoce el formato de la base de datos");
        break;
    case SQLITE_CANTOPEN:
        razon = QStringLiteral("No se pudo abrir el archivo de base de datos");
        break;
    case SQLITE_IOERR:
        razon = QStringLiteral("Error de lectura o escritura en la base de datos");
        break;
    case SQLITE_PERM:
    case SQLITE_AUTH:
        razon = QStringLiteral("Permiso denegado sobre la base de datos");
        break;
    default:
        razon = QStringLiteral("Error de la base de datos");
        break;
    }
    return mensajeMotor.isEmpty() ? razon
                                  : razon + QStringLiteral(" (") + mensajeMotor + QLatin1Char(')');
}

[[noreturn]] void Fallar(sqlite3* db, int codigo) {
    throw ErrorEjecucion(Errores::BaseDatos,
                         Motivo(codigo, db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString()));
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

// Splits a statement into its form, each single-quoted literal replaced by a
// parameter, and the literals' values with doubled apostrophes read as one.
// Returns false when a literal is not closed: the text then goes as it is.
bool Parametrizar(const QString& sql, QString& forma, QVarLengthArray<QString, 4>& literales) {
    const QChar apostrofo = QLatin1Char('\'');
    forma.clear();
    forma.reserve(sql.size());
    qsizetype i = 0;
    while (true) {
        const qsizetype abre = sql.indexOf(apostrofo, i);
        if (abre < 0) {
            forma.append(QStringView(sql).mid(i));
            return true;
        }
        forma.append(QStringView(sql).mid(i, abre - i));
        QString valor;
        qsizetype desde = abre + 1;
        while (true) {
            const qsizetype cierra = sql.indexOf(apostrofo, desde);
            if (cierra < 0)
                return false;
            valor.append(QStringView(sql).mid(desde, cierra - desde));
            if (cierra + 1 < sql.size() && sql.at(cierra + 1) == apostrofo) {
                valor += apostrofo;
                desde = cierra + 2;
                continue;
            }
            i = cierra + 1;
            break;
        }
        forma += QLatin1Char('?');
        literales.append(std::move(valor));
    }
}

Conexion::Traza& TrazaFijada() {
    static Conexion::Traza traza;
    return traza;
}

} // namespace

void Conexion::EstablecerTraza(Traza traza) {
    TrazaFijada() = std::move(traza);
}

QString ValorConexion(const QString& cadena, const QString& clave) {
    // A value runs until the next piece that starts with a known key, so a
    // folder with a semicolon in its name survives the split.
    QString actual;
    QString valor;
    bool hallado = false;
    const QStringList piezas = cadena.split(QLatin1Char(';'));
    for (const QString& pieza : piezas) {
        const qsizetype igual = pieza.indexOf(QLatin1Char('='));
        const QString nombre = igual < 0 ? QString() : pieza.left(igual).trimmed();
        const bool conocida = igual >= 0 && ClavesConocidas().contains(nombre, Qt::CaseInsensitive);
        if (conocida) {
            actual = nombre;
            if (hallado)
                break;
            if (actual.compare(clave, Qt::CaseInsensitive) == 0) {
                hallado = true;
                valor = pieza.mid(igual + 1);
            }
        } else if (hallado) {
            valor += QLatin1Char(';') + pieza;
        }
    }
    if (hallado && valor.endsWith(QLatin1Char(';')))
        valor.chop(1);
    return valor;
}

Conexion::Conexion() = default;

Conexion::~Conexion() {
    Cerrar();
}

void Conexion::Cerrar() {
    for (sqlite3_stmt* st : std::as_const(preparadas_))
        sqlite3_finalize(st);
    preparadas_.clear();
    if (db_) {
        // Closing with a transaction open rolls it back.
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
    enTransaccion_ = false;
}

void Conexion::Open() {
    if (db_)
        FallarTexto(QStringLiteral("La conexión ya está abierta"));
    const QString ruta = ValorConexion(cadena_, QStringLiteral("Data Source"));
    const QString contrasena =
        ValorConexion(cadena_, QStringLiteral("Jet OLEDB:Database Password"));
    const QByteArray rutaLocal = QFile::encodeName(ruta);
    const QFileInfo info(ruta);
    if (ruta.isEmpty() || !info.exists())
        FallarTexto(QStringLiteral("No se encontró el archivo de base de datos '%1'").arg(ruta));
    if (!info.isFile())
        FallarTexto(QStringLiteral("'%1' no es un archivo de base de datos").arg(ruta));
    if (!EsEscribible(rutaLocal))
        FallarTexto(QStringLiteral("El archivo de base de datos '%1' es de solo lectura o no se "
                                   "puede escribir")
                        .arg(ruta));

    sqlite3* db = nullptr;
    const int r = sqlite3_open_v2(rutaLocal.constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    if (r != SQLITE_OK) {
        const QString motivo = Motivo(r, QString::fromUtf8(sqlite3_errmsg(db)));
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
        const QString motivo =
            Motivo(rc == SQLITE_ERROR ? SQLITE_NOTADB : rc, QString::fromUtf8(sqlite3_errmsg(db)));
        sqlite3_finalize(st);
        sqlite3_close_v2(db);
        FallarTexto(motivo);
    }
    sqlite3_finalize(st);
    if (!valida) {
        sqlite3_close_v2(db);
        FallarTexto(QStringLiteral("No es una contraseña válida."));
    }
    db_ = db;
}

void Conexion::EstablecerEsperaOcupada(int milisegundos) {
    if (db_)
        sqlite3_busy_timeout(db_, milisegundos);
}

sqlite3_stmt* Conexion::Preparar(const QString& forma) {
    if (sqlite3_stmt* st = preparadas_.value(forma))
        return st;
    if (preparadas_.size() >= kMaximoPreparadas) {
        for (sqlite3_stmt* viejo : std::as_const(preparadas_))
            sqlite3_finalize(viejo);
        preparadas_.clear();
    }
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
    preparadas_.insert(forma, st);
    return st;
}

void Conexion::Execute(const QString& sql) {
    if (TrazaFijada())
        TrazaFijada()(sql);
    if (!db_)
        FallarTexto(QStringLiteral("La conexión está cerrada"));
    QString forma;
    QVarLengthArray<QString, 4> literales;
    if (!Parametrizar(sql, forma, literales)) {
        forma = sql;
        literales.clear();
    }
    sqlite3_stmt* st = Preparar(forma);
    if (sqlite3_bind_parameter_count(st) != literales.size())
        FallarTexto(QStringLiteral("La instrucción SQL no es válida: %1").arg(sql.trimmed()));
    QByteArray utf8;
    for (int i = 0; i < literales.size(); ++i) {
        utf8 = literales[i].toUtf8();
        sqlite3_bind_text(st, i + 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }
    int r;
    do {
        r = sqlite3_step(st);
    } while (r == SQLITE_ROW);
    sqlite3_reset(st);
    sqlite3_clear_bindings(st);
    if (r != SQLITE_DONE)
        Fallar(db_, r);
}

void Conexion::EjecutarDirecto(const char* sql) {
    if (!db_)
        FallarTexto(QStringLiteral("La conexión está cerrada"));
    const int r = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
    if (r != SQLITE_OK)
        Fallar(db_, r);
}

void Conexion::BeginTrans() {
    if (enTransaccion_)
        FallarTexto(QStringLiteral("Ya hay una transacción en curso"));
    // The write lock is taken now, so a busy database fails before any change.
    EjecutarDirecto("BEGIN IMMEDIATE");
    enTransaccion_ = true;
}

void Conexion::CommitTrans() {
    if (!enTransaccion_)
        FallarTexto(QStringLiteral("No hay ninguna transacción en curso"));
    EjecutarDirecto("COMMIT");
    enTransaccion_ = false;
}

void Conexion::RollbackTrans() {
    if (!enTransaccion_)
        FallarTexto(QStringLiteral("No hay ninguna transacción en curso"));
    enTransaccion_ = false;
    if (sqlite3_get_autocommit(db_))
        return; // the engine already rolled back on its own error
    EjecutarDirecto("ROLLBACK");
}
