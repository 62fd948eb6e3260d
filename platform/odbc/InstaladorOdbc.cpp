#include "platform/odbc/InstaladorOdbc.h"

#include "platform/archivos/ArchivoIni.h"
#include "platform/odbc/TextosOdbc.h"
#include "platform/proceso/Rutas.h"

#include <QStringList>

#include <algorithm>
#include <cstring>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

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

bool TieneControl(const QString& texto) {
    return std::any_of(texto.begin(), texto.end(),
                       [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; });
}

// The message for a value that holds a control character, its breaks shown.
QString ConControl(const QString& valor) {
    QString visible = valor;
    visible.replace(u'\n', QStringLiteral("\\n")).replace(u'\r', QStringLiteral("\\r"));
    return TextosOdbc::ConControl.arg(visible);
}

// A request as the attribute list gives it: the data source's name and the
// values to write under it.
struct Peticion {
    QString fuente;
    QList<std::pair<QString, QString>> valores;
};

Peticion LeerPeticion(const QByteArray& atributos) {
    Peticion leida;
    for (const Atributo& a : LeerAtributos(atributos)) {
        const QString clave = QString::fromUtf8(a.clave);
        const QString valor = RutaDesdeBytes(a.valor);
        if (clave.compare(QLatin1String("DSN"), Qt::CaseInsensitive) == 0)
            leida.fuente = valor;
        else
            leida.valores.append({clave, valor});
    }
    // The SQLite3 driver reads the file from Database, not from DBQ.
    const auto buscar = [&](const char* nombre) {
        return std::find_if(leida.valores.cbegin(), leida.valores.cend(), [&](const auto& v) {
            return v.first.compare(QLatin1String(nombre), Qt::CaseInsensitive) == 0;
        });
    };
    if (buscar("Database") == leida.valores.cend() && buscar("DBQ") != leida.valores.cend())
        leida.valores.append({QStringLiteral("Database"), buscar("DBQ")->second});
    return leida;
}

// Why the request is not written at all, or nothing when it may be.
QString Objecion(const Peticion& leida, int peticion, const QString& controlador) {
    if (leida.fuente.isEmpty())
        return TextosOdbc::SinFuente;
    // A line break would start another entry: an attacker's data source.
    for (const QString& texto : QStringList{leida.fuente, controlador})
        if (TieneControl(texto))
            return ConControl(texto);
    for (const auto& [clave, valor] : leida.valores)
        if (TieneControl(clave) || TieneControl(valor))
            return ConControl(valor);
    if (peticion == ODBC_ADD_DSN && !ControladorRegistrado(controlador.toUtf8()))
        return TextosOdbc::SinControlador.arg(controlador);
    if (peticion != ODBC_ADD_DSN && peticion != ODBC_REMOVE_DSN)
        return TextosOdbc::PeticionNoAdmitida.arg(peticion);
    return QString();
}

bool YaEscrita(const ArchivoIni& ini, const Peticion& leida) {
    return std::all_of(leida.valores.cbegin(), leida.valores.cend(), [&](const auto& v) {
        QString actual;
        return ini.Valor(leida.fuente, v.first, actual) && actual == v.second;
    });
}

// Writes the request into the file; false when the file needs no change.
bool Escribir(ArchivoIni& ini, int peticion, const QString& controlador, Peticion leida) {
    if (peticion == ODBC_REMOVE_DSN)
        return ini.QuitarSeccion(leida.fuente);
    leida.valores.prepend({QStringLiteral("Driver"), controlador});
    if (YaEscrita(ini, leida))
        return false;
    for (const auto& [clave, valor] : std::as_const(leida.valores))
        ini.Fijar(leida.fuente, clave, valor);
    return true;
}

} // namespace

QString UltimoErrorInstalador() {
    DWORD codigo = 0;
    char mensaje[SQL_MAX_MESSAGE_LENGTH] = {};
    WORD largo = 0;
    if (SQLInstallerError(1, &codigo, mensaje, sizeof mensaje, &largo) != SQL_SUCCESS)
        return QString();
    return TextosOdbc::ErrorInstalador.arg(QString::fromLocal8Bit(mensaje)).arg(codigo);
}

QString ArchivoOdbcUsuario() {
    if (!qEnvironmentVariableIsEmpty("ODBCINI"))
        return RutaDesdeBytes(qgetenv("ODBCINI"));
    // unixODBC finds the user's home through the password database, not $HOME.
    const passwd* usuario = getpwuid(getuid());
    return RutaDesdeBytes(usuario ? usuario->pw_dir : "") + QStringLiteral("/.odbc.ini");
}

bool SQLConfigDataSource(void* /*ventana*/, int peticion, const QString& controlador,
                         const QByteArray& atributos, QString* error) {
    const Peticion leida = LeerPeticion(atributos);
    if (const QString objecion = Objecion(leida, peticion, controlador); !objecion.isEmpty()) {
        Anotar(error, objecion);
        return false;
    }
    // Programs started together write one after another, each on what the
    // last one left; a writer that takes no lock is noticed and read again.
    const QString ruta = ArchivoOdbcUsuario();
    QString motivo;
    if (!ActualizarArchivoIni(
            ruta, [&](ArchivoIni& ini) { return Escribir(ini, peticion, controlador, leida); },
            &motivo)) {
        Anotar(error, TextosOdbc::NoSeEscribio.arg(ruta, motivo));
        return false;
    }
    return true;
}

ValorDsn LeerValorDsn(const QString& fuente, const QString& clave) {
    ModoUsuario modo;
    ValorDsn resultado;
    // unixODBC would make a missing file with the umask's mode, and wait for
    // ever on a pipe in the file's place.
    struct stat info {};
    if (::stat(RutaABytes(ArchivoOdbcUsuario()).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return resultado;
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
    resultado.valor = RutaDesdeBytes(QByteArrayView(buffer, n));
    return resultado;
}

} // namespace Odbc
