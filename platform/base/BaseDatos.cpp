#include "platform/base/BaseDatos.h"

#include "platform/base/Manijas.h"
#include "platform/proceso/Descriptor.h"
#include "platform/proceso/MotivoSistema.h"
#include "platform/proceso/Rutas.h"

#include <QCryptographicHash>
#include <QPasswordDigestor>
#include <QRandomGenerator>

#include <sqlite3.h>

#include <array>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

const char* const EsquemaBaseDatos =
    "CREATE TABLE Datos (t_datos TEXT NULL, t_archivo TEXT NOT NULL);"
    "CREATE INDEX Datos_t_archivo ON Datos (t_archivo);"
    "CREATE TABLE Seguridad (sal BLOB NOT NULL, verificador BLOB NOT NULL);";

// Added to a database of the first version, which lacks them.
const char* const ActualizacionBaseDatos =
    "CREATE TABLE IF NOT EXISTS Corridas (t_archivo TEXT PRIMARY KEY, corrida TEXT NOT NULL,"
    " codigo TEXT, filas INTEGER);"
    "CREATE TABLE IF NOT EXISTS Version (numero INTEGER NOT NULL);"
    "INSERT INTO Version (numero) SELECT 2 WHERE NOT EXISTS (SELECT 1 FROM Version);";

// The run history, added by version 3. Every run leaves one row, never changed
// afterwards; `cadena` chains each row to the one before it.
const char* const ActualizacionHistorial =
    "CREATE TABLE IF NOT EXISTS Historial (id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " inicio TEXT NOT NULL, fin TEXT NOT NULL, modo TEXT NOT NULL, usuario TEXT NOT NULL,"
    " equipo TEXT NOT NULL, version TEXT NOT NULL, motor TEXT NOT NULL,"
    " servidor TEXT NOT NULL, base TEXT NOT NULL, archivo TEXT NOT NULL, ruta TEXT NOT NULL,"
    " tamano INTEGER NOT NULL, modificado TEXT NOT NULL, sha256 TEXT NOT NULL,"
    " codigo TEXT NOT NULL, lineas INTEGER NOT NULL, filas INTEGER NOT NULL, corrida TEXT NOT NULL,"
    " resultado TEXT NOT NULL, error_numero INTEGER NOT NULL,"
    " error_descripcion TEXT NOT NULL, cadena TEXT NOT NULL);"
    "CREATE INDEX IF NOT EXISTS Historial_archivo ON Historial (archivo);"
    "CREATE INDEX IF NOT EXISTS Historial_sha256 ON Historial (sha256);"
    "UPDATE Version SET numero = 3 WHERE numero < 3;";

// Version 4: the history window sorts by any column a page at a time; the
// row number, implied in every index, breaks the ties.
const char* const ActualizacionIndicesHistorial =
    "CREATE INDEX IF NOT EXISTS Historial_inicio ON Historial (inicio);"
    "CREATE INDEX IF NOT EXISTS Historial_codigo ON Historial (codigo);"
    "CREATE INDEX IF NOT EXISTS Historial_filas ON Historial (filas);"
    "CREATE INDEX IF NOT EXISTS Historial_usuario ON Historial (usuario);"
    "CREATE INDEX IF NOT EXISTS Historial_equipo ON Historial (equipo);"
    "CREATE INDEX IF NOT EXISTS Historial_resultado ON Historial (resultado, error_descripcion);"
    "UPDATE Version SET numero = 4 WHERE numero < 4;";

const char* const ConsultaVersion = "SELECT numero FROM Version";

const char* const ConsultaVerificador = "SELECT sal, verificador FROM Seguridad";

namespace {
constexpr int kIteraciones = 4096;
constexpr int kLongitudSal = 16;
constexpr int kLongitudVerificador = 32;

bool Escribir(sqlite3* db, const QByteArray& sal, const QByteArray& verificador, QString* error) {
    char* mensaje = nullptr;
    if (sqlite3_exec(db, EsquemaBaseDatos, nullptr, nullptr, &mensaje) != SQLITE_OK) {
        *error = QString::fromUtf8(mensaje);
        sqlite3_free(mensaje);
        return false;
    }
    for (const char* sql :
         {ActualizacionBaseDatos, ActualizacionHistorial, ActualizacionIndicesHistorial}) {
        if (sqlite3_exec(db, sql, nullptr, nullptr, &mensaje) != SQLITE_OK) {
            *error = QString::fromUtf8(mensaje);
            sqlite3_free(mensaje);
            return false;
        }
    }
    sqlite3_stmt* crudo = nullptr;
    const int r = sqlite3_prepare_v2(db, "INSERT INTO Seguridad (sal, verificador) VALUES (?, ?)",
                                     -1, &crudo, nullptr);
    const ManijaSentencia st(crudo);
    if (r != SQLITE_OK) {
        *error = QString::fromUtf8(sqlite3_errmsg(db));
        return false;
    }
    sqlite3_bind_blob(st.get(), 1, sal.constData(), int(sal.size()), SQLITE_TRANSIENT);
    sqlite3_bind_blob(st.get(), 2, verificador.constData(), int(verificador.size()),
                      SQLITE_TRANSIENT);
    const bool bien = sqlite3_step(st.get()) == SQLITE_DONE;
    if (!bien)
        *error = QString::fromUtf8(sqlite3_errmsg(db));
    return bien;
}

// Lays out the fresh file at `ruta` with a new salt and the password's verifier.
bool Inicializar(const QByteArray& ruta, const QString& contrasena, QString* error) {
    ManijaSqlite db;
    if (AbrirSqlite(ruta, SQLITE_OPEN_READWRITE, db) != SQLITE_OK) {
        *error = QString::fromUtf8(sqlite3_errmsg(db.get()));
        return false;
    }
    std::array<quint32, kLongitudSal / 4> aleatorio{};
    QRandomGenerator::system()->fillRange(aleatorio.data(), aleatorio.size());
    const QByteArray sal(reinterpret_cast<const char*>(aleatorio.data()), kLongitudSal);
    return Escribir(db.get(), sal, DerivarVerificador(contrasena, sal), error);
}
} // namespace

QByteArray DerivarVerificador(const QString& contrasena, const QByteArray& sal) {
    return QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256, contrasena.toUtf8(), sal,
                                              kIteraciones, kLongitudVerificador);
}

bool CrearBaseDatos(const QString& ruta, const QString& contrasena, bool* creada, QString* error) {
    *creada = false;
    // Built beside the target and linked into place, so the target is never
    // half-written and an existing file is never replaced.
    const QByteArray destino = RutaABytes(ruta);
    struct stat info {};
    if (lstat(destino.constData(), &info) == 0)
        return true;
    QByteArray temporal = destino + ".nueva-XXXXXX";
    {
        const Descriptor fd(mkstemp(temporal.data()));
        if (!fd.Valido()) {
            *error = MotivoSistema(errno);
            return false;
        }
        fchmod(fd.get(), 0600);
    }

    bool bien = Inicializar(temporal, contrasena, error);

    if (bien && link(temporal.constData(), destino.constData()) != 0) {
        // Someone else made the file meanwhile: theirs stays.
        bien = errno == EEXIST;
        if (!bien)
            *error = MotivoSistema(errno);
    } else if (bien) {
        *creada = true;
    }
    unlink(temporal.constData());
    return bien;
}
