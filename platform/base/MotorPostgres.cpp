#include "platform/base/MotorPostgres.h"

#include "platform/proceso/ErrorEjecucion.h"
#include "platform/base/ErroresBase.h"
#include "platform/base/EsquemaPostgres.h"

#include <QDeadlineTimer>
#include <QRegularExpression>

#include <libpq-fe.h>

#include <cerrno>
#include <cstring>

#include <poll.h>

namespace {

constexpr int kEsperaPredeterminada = 5000;
constexpr int kSegundosConexion = 10;
constexpr int kMaximoPreparadas = 64;

// The program's advisory lock for creating the tables. Runs need none: each
// begins by writing its file's row in Corridas, and the server's row lock
// makes runs of one file wait for each other and no others.
constexpr char kBloqueoEsquema[] = "SELECT pg_advisory_xact_lock(1129270898, 1)";
constexpr char kComienzo[] = "BEGIN";

const QString kCadenaNoValida = QStringLiteral("La cadena de conexión del servidor no es válida");
const QString kSinRespuesta = QStringLiteral("el servidor no respondió en %1 s");
const QString kInstruccionNoValida = QStringLiteral("La instrucción SQL no es válida: %1");
const QString kFaltanTablas =
    QStringLiteral("Faltan las tablas del programa en la base de datos %1 y el usuario %2 no "
                   "puede crearlas (%3). Un administrador puede crearlas con:\n\n%4%5");
const QString kFaltanPermisos =
    QStringLiteral("El usuario %1 no tiene estos permisos en la base de datos %2: %3. Un "
                   "administrador puede concederlos con:\n\n%4");
const QString kTablasTemporales =
    QStringLiteral("La cadena de conexión del servidor deja temporales las tablas del programa "
                   "(%1): sus filas se perderían al cerrar la conexión. Quite de la cadena el "
                   "search_path que nombra pg_temp");
const QString kColumnasFaltantes =
    QStringLiteral("La tabla %1 de la base de datos %2 no es la del programa: le faltan las "
                   "columnas %3. Un administrador puede apartarla y crear la del programa "
                   "con:\n\nALTER TABLE %1 RENAME TO %4;\n%5%6");
const QString kVersionPosterior =
    QStringLiteral("La base de datos es de una versión posterior del programa (versión %1 de "
                   "sus tablas); actualice el programa");

using Resultado = std::unique_ptr<PGresult, decltype(&PQclear)>;

[[noreturn]] void FallarTexto(const QString& texto) {
    throw ErrorEjecucion(Errores::BaseDatos, texto);
}

// A refused connection: the SQLSTATE the server put in its refusal when it got
// that far (the messages themselves may be in the server's language);
// otherwise a missing password or a server that could not be reached.
QString MotivoConexion(PGconn* conexion) {
    static const QRegularExpression rechazo(QStringLiteral(":  ([0-9A-Z]{5}): ([^\\n]*)"));
    const QString texto = QString::fromUtf8(PQerrorMessage(conexion));
    const QRegularExpressionMatch m = rechazo.match(texto);
    if (m.hasMatch())
        return MotivoPostgres(m.captured(1), m.captured(2).trimmed());
    return MotivoPostgres(QLatin1String(PQconnectionNeedsPassword(conexion) ? "28P01" : "08001"),
                          texto.simplified());
}

// libpq leaves connect_timeout to whoever polls; unset, it would wait for ever.
int SegundosConexion(PGconn* conexion) {
    int segundos = kSegundosConexion;
    PQconninfoOption* opciones = PQconninfo(conexion);
    for (PQconninfoOption* o = opciones; o && o->keyword; ++o) {
        if (std::strcmp(o->keyword, "connect_timeout") == 0 && o->val && *o->val)
            segundos = std::atoi(o->val);
    }
    PQconninfoFree(opciones);
    return segundos;
}

PGconn* Conectar(const QByteArray& cadena) {
    char* error = nullptr;
    PQconninfoOption* analizada = PQconninfoParse(cadena.constData(), &error);
    if (!analizada) {
        const QString texto = QString::fromUtf8(error).simplified();
        PQfreemem(error);
        FallarTexto(texto.isEmpty() ? kCadenaNoValida : kCadenaNoValida + " (" + texto + ')');
    }
    PQconninfoFree(analizada);

    // The program always speaks UTF-8, whatever the database's own encoding.
    const char* const claves[] = {"fallback_application_name", "dbname", "client_encoding",
                                  nullptr};
    const char* const valores[] = {"cobranzia", cadena.constData(), "UTF8", nullptr};
    PGconn* conexion = PQconnectStartParams(claves, valores, 1);
    if (!conexion)
        throw std::bad_alloc();
    // A refusal from the server then carries its SQLSTATE.
    PQsetErrorVerbosity(conexion, PQERRORS_VERBOSE);
    const int segundos = SegundosConexion(conexion);
    const QDeadlineTimer limite(segundos > 0 ? segundos * 1000LL : -1);
    PostgresPollingStatusType estado = PGRES_POLLING_WRITING;
    while (PQstatus(conexion) != CONNECTION_BAD && estado != PGRES_POLLING_OK &&
           estado != PGRES_POLLING_FAILED) {
        pollfd espera{PQsocket(conexion), short(estado == PGRES_POLLING_READING ? POLLIN : POLLOUT),
                      0};
        const int listo = poll(&espera, 1, int(limite.remainingTime()));
        if (listo == 0) {
            PQfinish(conexion);
            FallarTexto(MotivoPostgres(QStringLiteral("08001"), kSinRespuesta.arg(segundos)));
        }
        if (listo < 0 && errno != EINTR)
            break;
        estado = PQconnectPoll(conexion);
    }
    if (PQstatus(conexion) != CONNECTION_OK) {
        const QString motivo = MotivoConexion(conexion);
        PQfinish(conexion);
        FallarTexto(motivo);
    }
    PQsetErrorVerbosity(conexion, PQERRORS_DEFAULT);
    // Every later wait is ours, with a deadline.
    PQsetnonblocking(conexion, 1);
    // Notices ("already exists, skipping") are no concern of the operator's.
    PQsetNoticeProcessor(
        conexion, [](void*, const char*) {}, nullptr);
    return conexion;
}

// The form with libpq's numbered markers instead of "?"; a "?" inside a
// quoted identifier stays.
QByteArray ConMarcadores(const QString& forma, int* cuantos) {
    QString sql;
    sql.reserve(forma.size() + 8);
    bool entreComillas = false;
    *cuantos = 0;
    for (const QChar c : forma) {
        if (c == u'"')
            entreComillas = !entreComillas;
        if (c == u'?' && !entreComillas)
            sql += u'$' + QString::number(++*cuantos);
        else
            sql += c;
    }
    return sql.toUtf8();
}

QString Citado(PGconn* conexion, const char* nombre) {
    char* citado = PQescapeIdentifier(conexion, nombre, std::strlen(nombre));
    const QString texto = QString::fromUtf8(citado);
    PQfreemem(citado);
    return texto;
}

// A password belongs in libpq's own files, never in a string that settings
// files, the environment and the command line show to anyone who looks.
void RechazarContrasena(const QByteArray& cadena) {
    char* error = nullptr;
    PQconninfoOption* opciones = PQconninfoParse(cadena.constData(), &error);
    PQfreemem(error);
    bool lleva = false;
    for (PQconninfoOption* o = opciones; o && o->keyword; ++o)
        lleva = lleva || (qstrcmp(o->keyword, "password") == 0 && o->val && *o->val);
    PQconninfoFree(opciones);
    if (lleva)
        throw ErrorEjecucion(Errores::BaseDatos,
                             QStringLiteral("La cadena de conexión del servidor lleva una "
                                            "contraseña: guárdela en ~/.pgpass (o en el archivo "
                                            "que nombre PGPASSFILE) y quítela de la cadena"));
}

} // namespace

MotorPostgres::MotorPostgres(pg_conn* conexion, QByteArray cadena)
    : conexion_(conexion)
    , cadena_(std::move(cadena))
    , esperaOcupada_(kEsperaPredeterminada) {
    espera_.milisegundos = MilisegundosSinRespuesta(conexion_);
}

MotorPostgres::~MotorPostgres() {
    // The server undoes a transaction left open.
    PQfinish(conexion_);
}

std::unique_ptr<MotorPostgres> MotorPostgres::Abrir(const QString& cadena) {
    const QByteArray utf8 = cadena.toUtf8();
    RechazarContrasena(utf8);
    std::unique_ptr<MotorPostgres> motor(new MotorPostgres(Conectar(utf8), utf8));
    motor->PrepararSesion();
    motor->AsegurarEsquema();
    motor->ComprobarTablas();
    motor->ComprobarPermisos();
    return motor;
}

void MotorPostgres::Reconectar() {
    PGconn* nueva = Conectar(cadena_);
    PQfinish(conexion_);
    conexion_ = nueva;
    espera_.milisegundos = MilisegundosSinRespuesta(conexion_);
    preparadas_.clear();
    PrepararSesion();
}

void MotorPostgres::PrepararSesion() {
    // lock_timeout 0 would wait for ever; a wait of nothing fails at once.
    const QByteArray sql = "SET lock_timeout = " + QByteArray::number(qMax(esperaOcupada_, 1));
    ComandoSinFilas(sql.constData());
}

void MotorPostgres::AsegurarEsquema() {
    auto presentes = [this] {
        const Resultado r(Comando(ConsultaTablasPostgres), PQclear);
        return *PQgetvalue(r.get(), 0, 0) == 't';
    };
    if (presentes())
        return;
    ComandoSinFilas("BEGIN");
    try {
        // A second program starting at once waits here, then finds the tables.
        PQclear(Comando(kBloqueoEsquema));
        if (!presentes()) {
            PGresult* r = Enviar(EsquemaPostgres);
            if (PQresultStatus(r) != PGRES_COMMAND_OK &&
                QLatin1String(PQresultErrorField(r, PG_DIAG_SQLSTATE)) == "42501") {
                const QString motivo = kFaltanTablas.arg(
                    Citado(conexion_, PQdb(conexion_)), Citado(conexion_, PQuser(conexion_)),
                    QString::fromUtf8(PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY)),
                    QString::fromUtf8(EsquemaPostgres),
                    ConcesionesPostgres(Citado(conexion_, PQuser(conexion_))));
                PQclear(r);
                FallarTexto(motivo);
            }
            if (PQresultStatus(r) != PGRES_COMMAND_OK)
                Fallar(r);
            PQclear(r);
        }
        ComandoSinFilas("COMMIT");
    } catch (...) {
        PQclear(Enviar("ROLLBACK"));
        throw;
    }
}

void MotorPostgres::ComprobarTablas() {
    const Resultado temporales(Comando(ConsultaTablasTemporales), PQclear);
    if (PQntuples(temporales.get()) > 0)
        FallarTexto(kTablasTemporales.arg(QString::fromUtf8(PQgetvalue(temporales.get(), 0, 0))));
    const Resultado faltan(Comando(ConsultaColumnasFaltantes), PQclear);
    if (PQntuples(faltan.get()) == 0)
        return;
    const QString tabla = QString::fromUtf8(PQgetvalue(faltan.get(), 0, 0));
    FallarTexto(kColumnasFaltantes.arg(tabla, Citado(conexion_, PQdb(conexion_)),
                                       QString::fromUtf8(PQgetvalue(faltan.get(), 0, 1)),
                                       tabla + QStringLiteral("_anterior"),
                                       QString::fromUtf8(EsquemaPostgres),
                                       ConcesionesPostgres(Citado(conexion_, PQuser(conexion_)))));
}

void MotorPostgres::ComprobarPermisos() {
    const Resultado faltan(Comando(ConsultaPermisosFaltantes().constData()), PQclear);
    if (!PQgetisnull(faltan.get(), 0, 0)) {
        const QString usuario = Citado(conexion_, PQuser(conexion_));
        FallarTexto(kFaltanPermisos.arg(usuario, Citado(conexion_, PQdb(conexion_)),
                                        QString::fromUtf8(PQgetvalue(faltan.get(), 0, 0)),
                                        ConcesionesPostgres(usuario)));
    }
    const Resultado version(Comando("SELECT max(numero) FROM Version"), PQclear);
    const int numero = std::atoi(PQgetvalue(version.get(), 0, 0));
    if (numero > VersionEsquemaPostgres)
        FallarTexto(kVersionPosterior.arg(numero));
}

MotorPostgres::Preparada& MotorPostgres::Preparar(const QString& forma) {
    const auto hallada = preparadas_.find(forma);
    if (hallada != preparadas_.end())
        return *hallada;
    if (preparadas_.size() >= kMaximoPreparadas) {
        copia_.Terminar();
        ComandoSinFilas("DEALLOCATE ALL");
        preparadas_.clear();
    }
    Preparada nueva;
    nueva.sql = ConMarcadores(forma, &nueva.parametros);
    nueva.copiable = ReconocerInsercion(forma, nueva.copia);
    return *preparadas_.insert(forma, nueva);
}

void MotorPostgres::Ejecutar(const SentenciaParametrizada& sentencia) {
    if (!enTransaccion_ && PQstatus(conexion_) == CONNECTION_BAD)
        Reconectar();
    Preparada& preparada = Preparar(sentencia.forma);
    if (preparada.parametros != sentencia.literales.size())
        FallarTexto(kInstruccionNoValida.arg(sentencia.forma.trimmed()));
    if (enTransaccion_ && preparada.copiable) {
        if (copia_.Comando() != preparada.copia.comando) {
            copia_.Terminar();
            copia_.Iniciar(conexion_, espera_, preparada.copia);
        }
        copia_.Agregar(preparada.copia, sentencia.literales);
        return;
    }
    copia_.Terminar();
    if (preparada.nombre.isEmpty()) {
        const QByteArray nombre = "c" + QByteArray::number(++siguienteNombre_);
        PGresult* r =
            PQsendPrepare(conexion_, nombre.constData(), preparada.sql.constData(), 0, nullptr)
                ? EsperarResultado()
                : nullptr;
        if (PQresultStatus(r) != PGRES_COMMAND_OK)
            Fallar(r);
        PQclear(r);
        preparada.nombre = nombre;
    }
    EjecutarPreparada(preparada, sentencia);
}

void MotorPostgres::EjecutarPreparada(const Preparada& preparada,
                                      const SentenciaParametrizada& sentencia) {
    const qsizetype n = sentencia.literales.size();
    utf8_.resize(n);
    QVarLengthArray<const char*, 4> valores(n);
    for (qsizetype i = 0; i < n; ++i) {
        utf8_[i] = sentencia.literales[i].toUtf8();
        valores[i] = utf8_[i].constData();
    }
    PGresult* r = PQsendQueryPrepared(conexion_, preparada.nombre.constData(), int(n),
                                      valores.data(), nullptr, nullptr, 0)
                      ? EsperarResultado()
                      : nullptr;
    const ExecStatusType estado = PQresultStatus(r);
    if (estado != PGRES_COMMAND_OK && estado != PGRES_TUPLES_OK)
        Fallar(r);
    PQclear(r);
}

PGresult* MotorPostgres::EsperarResultado() {
    Resultado ultimo(nullptr, PQclear);
    for (;;) {
        EsperarServidor(conexion_, espera_, true);
        PGresult* r = PQgetResult(conexion_);
        if (!r)
            return ultimo.release();
        ultimo.reset(r);
    }
}

PGresult* MotorPostgres::Enviar(const char* sql) {
    return PQsendQuery(conexion_, sql) ? EsperarResultado() : nullptr;
}

void MotorPostgres::Comenzar() {
    if (PQstatus(conexion_) == CONNECTION_BAD)
        Reconectar();
    PGresult* r = Enviar(kComienzo);
    // A server restarted since the last run: nothing has happened yet, so
    // connecting again and beginning anew is safe. After an immediate
    // shutdown libpq reports the lost connection while it still calls it good.
    if (PQresultStatus(r) != PGRES_COMMAND_OK) {
        PQclear(r);
        Reconectar();
        r = Enviar(kComienzo);
    }
    if (PQresultStatus(r) != PGRES_COMMAND_OK) {
        const ErrorEjecucion error = ErrorPostgres(conexion_, r);
        PQclear(r);
        if (PQstatus(conexion_) != CONNECTION_BAD)
            PQclear(Enviar("ROLLBACK"));
        throw error;
    }
    PQclear(r);
    enTransaccion_ = true;
}

void MotorPostgres::Confirmar() {
    // A row the server refused surfaces here; Deshacer then ends the transaction.
    copia_.Terminar();
    enTransaccion_ = false;
    const Resultado r(Enviar("COMMIT"), PQclear);
    if (PQresultStatus(r.get()) != PGRES_COMMAND_OK)
        throw ErrorPostgres(conexion_, r.get());
    // COMMIT of a transaction that had already failed answers ROLLBACK.
    if (std::strcmp(PQcmdStatus(r.get()), "ROLLBACK") == 0)
        FallarTexto(MotivoPostgres(QStringLiteral("25P02"), QString()));
}

void MotorPostgres::Deshacer() {
    if (!enTransaccion_)
        return;
    enTransaccion_ = false;
    copia_.Cancelar();
    const Resultado r(Enviar("ROLLBACK"), PQclear);
    if (PQresultStatus(r.get()) != PGRES_COMMAND_OK && PQstatus(conexion_) != CONNECTION_BAD)
        throw ErrorPostgres(conexion_, r.get());
}

void MotorPostgres::EsperaOcupada(int milisegundos) {
    esperaOcupada_ = milisegundos;
    copia_.Terminar();
    if (!enTransaccion_ && PQstatus(conexion_) == CONNECTION_BAD)
        Reconectar();
    PrepararSesion();
}

PGresult* MotorPostgres::Comando(const char* sql) {
    PGresult* r = Enviar(sql);
    const ExecStatusType estado = PQresultStatus(r);
    if (estado != PGRES_COMMAND_OK && estado != PGRES_TUPLES_OK)
        Fallar(r);
    return r;
}

void MotorPostgres::ComandoSinFilas(const char* sql) {
    PQclear(Comando(sql));
}

void MotorPostgres::Fallar(PGresult* resultado) {
    const ErrorEjecucion error = ErrorPostgres(conexion_, resultado);
    PQclear(resultado);
    throw error;
}
