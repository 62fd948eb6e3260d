#pragma once

#include <QHash>
#include <QString>

#include <functional>

struct sqlite3;
struct sqlite3_stmt;

// The program's database connection, in the manner of an ADO connection: a
// connection string, Open, Execute and the three transaction calls. The file is
// an SQLite database protected by a password verifier stored inside it.
//
// Every failure is raised as an ErrorEjecucion numbered Errores::BaseDatos whose
// description gives the reason in Spanish followed by the engine's own text.
class Conexion {
public:
    Conexion();
    ~Conexion();
    Conexion(const Conexion&) = delete;
    Conexion& operator=(const Conexion&) = delete;

    QString ConnectionString() const { return cadena_; }
    void SetConnectionString(const QString& cadena) { cadena_ = cadena; }

    // Opens the file named by "Data Source" and checks "Jet OLEDB:Database Password".
    void Open();
    bool EstaAbierta() const { return db_ != nullptr; }

    // Runs one statement at once; outside a transaction its effect is committed.
    // Statements whose texts differ only in their quoted literals share one
    // prepared statement, with the literals bound exactly as the text spells them.
    void Execute(const QString& sql);

    void BeginTrans();
    void CommitTrans();
    void RollbackTrans();
    bool EnTransaccion() const { return enTransaccion_; }

    // How long a statement waits for another writer before it fails.
    void EstablecerEsperaOcupada(int milisegundos);

    // Tests see every statement text that Execute receives, in order.
    using Traza = std::function<void(const QString& sql)>;
    static void EstablecerTraza(Traza traza);

private:
    sqlite3_stmt* Preparar(const QString& forma);
    void EjecutarDirecto(const char* sql);
    void Cerrar();

    QString cadena_;
    sqlite3* db_ = nullptr;
    bool enTransaccion_ = false;
    QHash<QString, sqlite3_stmt*> preparadas_;
};

// The value of one key of a connection string ("Data Source", ...), or an empty
// text when the key is not there. Keys are compared without regard to case.
QString ValorConexion(const QString& cadena, const QString& clave);
