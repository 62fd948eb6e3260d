#pragma once

#include <QByteArray>
#include <QString>

// The ODBC installer as the data-source registrar uses it, over unixODBC's
// installer library in user mode: user data sources live in ~/.odbc.ini, or in
// the file that $ODBCINI names.
namespace Odbc {

inline constexpr int ODBC_ADD_DSN = 1;
inline constexpr int ODBC_CONFIG_DSN = 2;
inline constexpr int ODBC_REMOVE_DSN = 3;

// Request 1 writes the data source with its driver and the attributes (DBQ,
// and Database, the key the SQLite3 driver reads); request 3 removes it. The
// attribute list is "KEY=value" pieces each ended by a NUL, with one more NUL
// at the end.
//
// The user's file is written whole and atomically, one program at a time,
// every other line of it kept byte for byte, and not at all when it already
// holds these values. Returns false, with the reason in `error` when one is
// given, when the driver is not registered, a value holds a control
// character (a line break would forge another entry), or the file cannot be
// written.
bool SQLConfigDataSource(void* ventana, int peticion, const QString& controlador,
                         const QByteArray& atributos, QString* error = nullptr);

// What is stored for a user data source, as the registry look-up saw it.
struct ValorDsn {
    bool existe = false;   // the data source has an entry
    bool hayValor = false; // the key is there and fits the 1024-byte buffer
    QString valor;
};

// The user's ODBC settings file: $ODBCINI, or ~/.odbc.ini.
QString ArchivoOdbcUsuario();

// Reads one key of a user data source.
ValorDsn LeerValorDsn(const QString& fuente, const QString& clave);

// The installer's last error text, in the form "texto (código N)".
QString UltimoErrorInstalador();

} // namespace Odbc
