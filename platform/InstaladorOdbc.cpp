#include "platform/InstaladorOdbc.h"

#include <QStringList>

#include <odbcinst.h>
#include <sql.h>

namespace Odbc {

namespace {

constexpr int kBufferRegistro = 1024;

// Every call works on the user's data sources, never the system's.
class ModoUsuario {
public:
    ModoUsuario() {
        SQLGetConfigMode(&anterior_);
        SQLSetConfigMode(ODBC_USER_DSN);
    }
    ~ModoUsuario() { SQLSetConfigMode(anterior_); }
    ModoUsuario(const ModoUsuario&) = delete;
    ModoUsuario& operator=(const ModoUsuario&) = delete;

private:
    UWORD anterior_ = ODBC_BOTH_DSN;
};

struct Atributo {
    QByteArray clave;
    QByteArray valor;
};

QList<Atributo> LeerAtributos(const QByteArray& lista) {
    QList<Atributo> atributos;
    for (const QByteArray& pieza : lista.split('\0')) {
        if (pieza.isEmpty())
            continue;
        const qsizetype igual = pieza.indexOf('=');
        if (igual <= 0)
            continue;
        atributos.append({pieza.left(igual), pieza.mid(igual + 1)});
    }
    return atributos;
}

bool ControladorRegistrado(const QByteArray& controlador) {
    char buffer[kBufferRegistro] = {};
    const int n = SQLGetPrivateProfileString(controlador.constData(), "Driver", "", buffer,
                                             sizeof buffer, "ODBCINST.INI");
    return n > 0;
}

void Anotar(QString* error, const QString& texto) {
    if (error)
        *error = texto;
}

} // namespace

QString UltimoErrorInstalador() {
    DWORD codigo = 0;
    char mensaje[SQL_MAX_MESSAGE_LENGTH] = {};
    WORD largo = 0;
    if (SQLInstallerError(1, &codigo, mensaje, sizeof mensaje, &largo) != SQL_SUCCESS)
        return QString();
    return QStringLiteral("%1 (código %2)").arg(QString::fromLocal8Bit(mensaje)).arg(codigo);
}

bool SQLConfigDataSource(void* /*ventana*/, int peticion, const QString& controlador,
                         const QByteArray& atributos, QString* error) {
    ModoUsuario modo;
    const QList<Atributo> lista = LeerAtributos(atributos);
    QByteArray fuente;
    for (const Atributo& a : lista) {
        if (a.clave.compare("DSN", Qt::CaseInsensitive) == 0)
            fuente = a.valor;
    }
    if (fuente.isEmpty()) {
        Anotar(error, QStringLiteral("Falta el nombre de la fuente de datos"));
        return false;
    }

    switch (peticion) {
    case ODBC_ADD_DSN: {
        const QByteArray driver = controlador.toUtf8();
        if (!ControladorRegistrado(driver)) {
            Anotar(error,
                   QStringLiteral("El controlador ODBC \"%1\" no está instalado").arg(controlador));
            return false;
        }
        bool bien = SQLWriteDSNToIni(fuente.constData(), driver.constData());
        for (const Atributo& a : lista) {
            if (!bien)
                break;
            if (a.clave.compare("DSN", Qt::CaseInsensitive) == 0)
                continue;
            bien = SQLWritePrivateProfileString(fuente.constData(), a.clave.constData(),
                                                a.valor.constData(), "odbc.ini");
            // The SQLite3 driver reads the file from Database, not from DBQ.
            if (bien && a.clave.compare("DBQ", Qt::CaseInsensitive) == 0)
                bien = SQLWritePrivateProfileString(fuente.constData(), "Database",
                                                    a.valor.constData(), "odbc.ini");
        }
        if (!bien)
            Anotar(error, QStringLiteral("No se pudo escribir la fuente de datos \"%1\" en la "
                                         "configuración ODBC del usuario: %2")
                              .arg(QString::fromUtf8(fuente), UltimoErrorInstalador()));
        return bien;
    }
    case ODBC_REMOVE_DSN:
        if (SQLRemoveDSNFromIni(fuente.constData()))
            return true;
        Anotar(error, QStringLiteral("No se pudo quitar la fuente de datos \"%1\": %2")
                          .arg(QString::fromUtf8(fuente), UltimoErrorInstalador()));
        return false;
    default:
        Anotar(error, QStringLiteral("Petición al instalador ODBC no admitida: %1").arg(peticion));
        return false;
    }
}

ValorDsn LeerValorDsn(const QString& fuente, const QString& clave) {
    ModoUsuario modo;
    ValorDsn resultado;
    const QByteArray seccion = fuente.toUtf8();
    // The keys of the section, each ended by a NUL: none means no entry.
    char claves[4096] = {};
    resultado.existe = SQLGetPrivateProfileString(seccion.constData(), nullptr, "", claves,
                                                  sizeof claves, "odbc.ini") > 0;
    if (!resultado.existe)
        return resultado;
    bool hayClave = false;
    const QByteArray buscada = clave.toUtf8();
    for (const char* c = claves; *c; c += qstrlen(c) + 1) {
        if (qstricmp(c, buscada.constData()) == 0)
            hayClave = true;
    }
    if (!hayClave)
        return resultado;
    char buffer[4 * kBufferRegistro] = {};
    const int n = SQLGetPrivateProfileString(seccion.constData(), buscada.constData(), "", buffer,
                                             sizeof buffer, "odbc.ini");
    // A value that would not fit the registry's buffer, with its NUL, counts as absent.
    if (n < 0 || n >= kBufferRegistro)
        return resultado;
    resultado.hayValor = true;
    resultado.valor = QString::fromUtf8(buffer, n);
    return resultado;
}

} // namespace Odbc
