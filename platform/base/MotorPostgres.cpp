#include "platform/base/MotorPostgres.h"

#include "platform/base/ArchivosPostgres.h"
#include "platform/base/ErroresBase.h"
#include "platform/base/EsperaPostgres.h"
#include "platform/base/EsquemaPostgres.h"
#include "platform/base/TextosBase.h"
#include "platform/proceso/CapturaSenales.h"
#include "platform/proceso/ErrorEjecucion.h"
#include "platform/proceso/Rutas.h"

#include <QDeadlineTimer>
#include <QLocale>
#include <QRegularExpression>
#include <QVarLengthArray>

#include <libpq-fe.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <mutex>

#include <poll.h>

namespace {

constexpr int kEsperaPredeterminada = 5000;
constexpr qint64 kPasoConexion = 100;
constexpr int kMaximoPreparadas = 64;

// The program's advisory lock for creating the tables, which only a role that
// may create them can use. Each run begins by writing its file's row in
// Corridas, and the server's row lock makes runs of one file wait for each
// other and no others.
constexpr char kBloqueoEsquema[] = "SELECT pg_advisory_xact_lock(1129270898, 1)";
constexpr char kComienzo[] = "BEGIN";
// The history's chain is held by a row of Corridas that no file's name can
// take (a name has no "/"): writing it needs the program's rights on the
// table, so a role that can merely connect can never hold it.
constexpr char kBloqueoHistorial[] =
    "INSERT INTO Corridas (t_archivo, corrida) VALUES ('/historial', '-') "
    "ON CONFLICT (t_archivo) DO UPDATE SET corrida = excluded.corrida";

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

// A string libpq cannot read is refused, and so is one that carries a
// password: it belongs in libpq's own files, never in a string that settings
// files, the environment and the command line show to anyone who looks.
void ComprobarCadena(const QByteArray& cadena) {
    char* crudo = nullptr;
    const OpcionesPostgres opciones(PQconninfoParse(cadena.constData(), &crudo));
    const TextoPostgres error(crudo);
    if (!opciones) {
        const QString texto = QString::fromUtf8(error.get()).simplified();
        FallarTexto(texto.isEmpty() ? TextosBase::CadenaNoValida
                                    : TextosBase::CadenaNoValida + " (" + texto + ')');
    }
    if (const char* clave = ValorOpcion(opciones.get(), "password"); clave && *clave)
        FallarTexto(TextosBase::CadenaConContrasena);
}

// Drives the connection's start until it ends, within connect_timeout; libpq
// leaves that bound to whoever polls.
void EsperarConexion(PGconn* conexion) {
    const int segundos = SegundosConexion(conexion);
    const QDeadlineTimer limite(segundos * 1000LL);
    PostgresPollingStatusType estado = PGRES_POLLING_WRITING;
    while (PQstatus(conexion) != CONNECTION_BAD && estado != PGRES_POLLING_OK &&
           estado != PGRES_POLLING_FAILED) {
        pollfd espera{PQsocket(conexion), short(estado == PGRES_POLLING_READING ? POLLIN : POLLOUT),
                      0};
        // In short steps: a signal noted in batch mode ends the wait.
        const int listo =
            poll(&espera, 1, int(qMin<qint64>(limite.remainingTime(), kPasoConexion)));
        if (CapturaSenales::Recibida() != 0)
            FallarTexto(TextosBase::ConexionInterrumpida);
        if (listo == 0 && limite.hasExpired())
            FallarTexto(
                MotivoPostgres(QStringLiteral("08001"), TextosBase::SinRespuesta.arg(segundos)));
        if (listo == 0 || (listo < 0 && errno == EINTR))
            continue;
        if (listo < 0)
            break;
        estado = PQconnectPoll(conexion);
    }
}

// libpq's settings, keyword by keyword, in the order it takes them.
using Ajustes = QList<QPair<QByteArray, QByteArray>>;

// What each connection string resolved at this process's latest connection
// for writing: the listing then reads where the run wrote.
std::mutex gCerrojoResueltos;
QHash<QByteArray, Ajustes> gResueltos;

// The connection's settings as libpq resolved them from the string, a service
// file, the environment and its defaults: the host, address and port it
// reached and the password it used among them, and no service to read again.
Ajustes Resueltos(PGconn* conexion) {
    static const QByteArrayView kPropias[] = {"host", "hostaddr", "port", "password", "service"};
    Ajustes ajustes;
    const OpcionesPostgres opciones(PQconninfo(conexion));
    for (PQconninfoOption* o = opciones.get(); o && o->keyword; ++o)
        if (o->val && *o->val &&
            std::find(std::begin(kPropias), std::end(kPropias), QByteArrayView(o->keyword)) ==
                std::end(kPropias))
            ajustes.emplaceBack(o->keyword, o->val);
    const QByteArray servidor = PQhost(conexion);
    ajustes.emplaceBack("host", servidor);
    ajustes.emplaceBack("port", PQport(conexion));
    const QByteArray direccion = PQhostaddr(conexion);
    if (!direccion.isEmpty() && !servidor.startsWith('/') && !servidor.startsWith('@'))
        ajustes.emplaceBack("hostaddr", direccion);
    if (const char* clave = PQpass(conexion); clave && *clave)
        ajustes.emplaceBack("password", clave);
    return ajustes;
}

void Recordar(const QByteArray& cadena, PGconn* conexion) {
    const Ajustes ajustes = Resueltos(conexion);
    const std::lock_guard guarda(gCerrojoResueltos);
    gResueltos.insert(cadena, ajustes);
}

Ajustes Recordados(const QByteArray& cadena) {
    const std::lock_guard guarda(gCerrojoResueltos);
    return gResueltos.value(cadena);
}

// Starts the connection (`expandir`: the dbname is the whole connection string
// `cadena`) once the files libpq will read are fit to read, and waits for it.
ManijaPostgres Iniciar(const Ajustes& ajustes, int expandir, const QByteArray& cadena) {
    QVarLengthArray<const char*, 48> claves;
    QVarLengthArray<const char*, 48> valores;
    for (const auto& [clave, valor] : ajustes) {
        claves.append(clave.constData());
        valores.append(valor.constData());
    }
    claves.append(nullptr);
    valores.append(nullptr);
    ComprobarAntesDeIniciar(cadena);
    ManijaPostgres conexion(PQconnectStartParams(claves.data(), valores.data(), expandir));
    if (!conexion)
        throw std::bad_alloc();
    ComprobarArchivosConexion(conexion.get(), cadena);
    // A refusal from the server then carries its SQLSTATE.
    PQsetErrorVerbosity(conexion.get(), PQERRORS_VERBOSE);
    EsperarConexion(conexion.get());
    if (PQstatus(conexion.get()) != CONNECTION_OK)
        FallarTexto(MotivoConexion(conexion.get()));
    PQsetErrorVerbosity(conexion.get(), PQERRORS_DEFAULT);
    // Every later wait is ours, with a deadline.
    PQsetnonblocking(conexion.get(), 1);
    // Notices ("already exists, skipping") are no concern of the operator's.
    PQsetNoticeProcessor(
        conexion.get(), [](void*, const char*) {}, nullptr);
    return conexion;
}

ManijaPostgres Conectar(const QByteArray& cadena) {
    ComprobarCadena(cadena);
    // The program always speaks UTF-8, whatever the database's own encoding.
    return Iniciar({{"fallback_application_name", "cobranzia"},
                    {"dbname", cadena},
                    {"client_encoding", "UTF8"}},
                   1, cadena);
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
    const TextoPostgres citado(PQescapeIdentifier(conexion, nombre, std::strlen(nombre)));
    return QString::fromUtf8(citado.get());
}

} // namespace

MotorPostgres::MotorPostgres(ManijaPostgres conexion, QByteArray cadena,
                             QList<QPair<QByteArray, QByteArray>> fijos)
    : conexion_(std::move(conexion))
    , cadena_(std::move(cadena))
    , fijos_(std::move(fijos))
    , esperaOcupada_(kEsperaPredeterminada) {
    espera_.milisegundos = MilisegundosSinRespuesta(conexion_.get());
}

MotorPostgres::~MotorPostgres() = default;

std::unique_ptr<MotorPostgres> MotorPostgres::Abrir(const QString& cadena) {
    const QByteArray utf8 = cadena.toUtf8();
    std::unique_ptr<MotorPostgres> motor(new MotorPostgres(Conectar(utf8), utf8));
    Recordar(utf8, motor->conexion_.get());
    motor->PrepararSesion();
    motor->AsegurarEsquema();
    motor->ComprobarTablas();
    motor->ComprobarPermisos();
    return motor;
}

std::unique_ptr<MotorPostgres> MotorPostgres::AbrirLectura(const QString& cadena) {
    const QByteArray utf8 = cadena.toUtf8();
    Ajustes fijos = Recordados(utf8);
    ManijaPostgres conexion = fijos.isEmpty() ? Conectar(utf8) : Iniciar(fijos, 0, QByteArray());
    std::unique_ptr<MotorPostgres> motor(
        new MotorPostgres(std::move(conexion), utf8, std::move(fijos)));
    motor->PrepararSesion();
    return motor;
}

void MotorPostgres::Reconectar() {
    if (fijos_.isEmpty()) {
        conexion_ = Conectar(cadena_);
        Recordar(cadena_, conexion_.get());
    } else {
        conexion_ = Iniciar(fijos_, 0, QByteArray());
    }
    espera_.milisegundos = MilisegundosSinRespuesta(conexion_.get());
    preparadas_.clear();
    PrepararSesion();
}

void MotorPostgres::PrepararSesion() {
    // lock_timeout 0 would wait for ever; a wait of nothing fails at once.
    const QByteArray sql = "SET lock_timeout = " + QByteArray::number(qMax(esperaOcupada_, 1));
    ComandoSinFilas(sql.constData());
}

bool MotorPostgres::TablasPresentes() {
    const ResultadoPostgres r = Comando(ConsultaTablasPostgres);
    return *PQgetvalue(r.get(), 0, 0) == 't';
}

void MotorPostgres::AsegurarEsquema() {
    if (TablasPresentes())
        return;
    ComandoSinFilas("BEGIN");
    try {
        // A second program starting at once waits here, then finds the tables.
        ComandoSinFilas(kBloqueoEsquema);
        if (!TablasPresentes())
            CrearEsquema();
        ComandoSinFilas("COMMIT");
    } catch (...) {
        Enviar("ROLLBACK");
        throw;
    }
}

void MotorPostgres::CrearEsquema() {
    const ResultadoPostgres r = Enviar(EsquemaPostgres);
    if (PQresultStatus(r.get()) == PGRES_COMMAND_OK)
        return;
    if (QLatin1String(PQresultErrorField(r.get(), PG_DIAG_SQLSTATE)) == "42501") {
        const QString usuario = Citado(conexion_.get(), PQuser(conexion_.get()));
        FallarTexto(TextosBase::FaltanTablas.arg(
            Citado(conexion_.get(), PQdb(conexion_.get())), usuario,
            QString::fromUtf8(PQresultErrorField(r.get(), PG_DIAG_MESSAGE_PRIMARY)),
            QString::fromUtf8(EsquemaPostgres), ConcesionesPostgres(usuario)));
    }
    Fallar(r.get());
}

void MotorPostgres::ComprobarTablas() {
    const ResultadoPostgres temporales = Comando(ConsultaTablasTemporales);
    if (PQntuples(temporales.get()) > 0)
        FallarTexto(TextosBase::TablasTemporales.arg(
            QString::fromUtf8(PQgetvalue(temporales.get(), 0, 0))));
    const ResultadoPostgres faltan = Comando(ConsultaColumnasFaltantes);
    if (PQntuples(faltan.get()) == 0)
        return;
    const QString tabla = QString::fromUtf8(PQgetvalue(faltan.get(), 0, 0));
    FallarTexto(TextosBase::ColumnasFaltantes.arg(
        tabla, Citado(conexion_.get(), PQdb(conexion_.get())),
        QString::fromUtf8(PQgetvalue(faltan.get(), 0, 1)), tabla + QStringLiteral("_anterior"),
        QString::fromUtf8(EsquemaPostgres),
        ConcesionesPostgres(Citado(conexion_.get(), PQuser(conexion_.get())))));
}

void MotorPostgres::ComprobarPermisos() {
    const ResultadoPostgres faltan = Comando(ConsultaPermisosFaltantes().constData());
    if (!PQgetisnull(faltan.get(), 0, 0)) {
        const QString usuario = Citado(conexion_.get(), PQuser(conexion_.get()));
        FallarTexto(TextosBase::FaltanPermisos.arg(
            usuario, Citado(conexion_.get(), PQdb(conexion_.get())),
            QString::fromUtf8(PQgetvalue(faltan.get(), 0, 0)), ConcesionesPostgres(usuario)));
    }
    const ResultadoPostgres version = Comando("SELECT max(numero) FROM Version");
    // NOLINTNEXTLINE(cert-err34-c) a number the program wrote; anything else reads as 0: too old
    const int numero = std::atoi(PQgetvalue(version.get(), 0, 0));
    if (numero > VersionEsquemaPostgres)
        FallarTexto(TextosBase::VersionPosterior.arg(numero));
    if (numero < VersionEsquemaPostgres)
        Actualizar();
}

// The schema's statements all say IF NOT EXISTS: on a database of an earlier
// version they add what it lacks. Only the tables' owner may; for anyone else
// the history reads as before, without the indexes, until the owner opens it.
void MotorPostgres::Actualizar() {
    ComandoSinFilas("BEGIN");
    try {
        ComandoSinFilas(kBloqueoEsquema);
        ComandoSinFilas(EsquemaPostgres);
        ComandoSinFilas("COMMIT");
    } catch (const ErrorEjecucion&) {
        Enviar("ROLLBACK");
    }
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
    Preparada& preparada = Buscar(sentencia);
    if (enTransaccion_ && preparada.copiable) {
        if (copia_.Comando() != preparada.copia.comando) {
            copia_.Terminar();
            copia_.Iniciar(conexion_.get(), espera_, preparada.copia);
        }
        copia_.Agregar(preparada.copia, sentencia.literales);
        return;
    }
    EjecutarPreparada(FueraDeCopia(preparada), sentencia);
}

MotorPostgres::Preparada& MotorPostgres::Buscar(const SentenciaParametrizada& sentencia) {
    if (!enTransaccion_ && PQstatus(conexion_.get()) == CONNECTION_BAD)
        Reconectar();
    Preparada& preparada = Preparar(sentencia.forma);
    if (preparada.parametros != sentencia.literales.size())
        FallarTexto(TextosBase::InstruccionNoValida.arg(sentencia.forma.trimmed()));
    return preparada;
}

const MotorPostgres::Preparada& MotorPostgres::FueraDeCopia(Preparada& preparada) {
    copia_.Terminar();
    if (preparada.nombre.isEmpty())
        PrepararEnServidor(preparada);
    return preparada;
}

void MotorPostgres::PrepararEnServidor(Preparada& preparada) {
    const QByteArray nombre = "c" + QByteArray::number(++siguienteNombre_);
    const ResultadoPostgres r =
        PQsendPrepare(conexion_.get(), nombre.constData(), preparada.sql.constData(), 0, nullptr)
            ? EsperarResultado()
            : ResultadoPostgres();
    if (PQresultStatus(r.get()) != PGRES_COMMAND_OK)
        Fallar(r.get());
    preparada.nombre = nombre;
}

bool MotorPostgres::EnviarPreparada(const Preparada& preparada,
                                    const SentenciaParametrizada& sentencia) {
    const qsizetype n = sentencia.literales.size();
    utf8_.resize(n);
    QVarLengthArray<const char*, 4> valores(n);
    for (qsizetype i = 0; i < n; ++i) {
        utf8_[i] = sentencia.literales[i].toUtf8();
        valores[i] = utf8_[i].constData();
    }
    return PQsendQueryPrepared(conexion_.get(), preparada.nombre.constData(), int(n),
                               valores.data(), nullptr, nullptr, 0) != 0;
}

void MotorPostgres::EjecutarPreparada(const Preparada& preparada,
                                      const SentenciaParametrizada& sentencia) {
    const ResultadoPostgres r =
        EnviarPreparada(preparada, sentencia) ? EsperarResultado() : ResultadoPostgres();
    const ExecStatusType estado = PQresultStatus(r.get());
    if (estado != PGRES_COMMAND_OK && estado != PGRES_TUPLES_OK)
        Fallar(r.get());
}

void MotorPostgres::Consultar(const SentenciaParametrizada& sentencia, const LectorFilas& lector) {
    const Preparada& preparada = FueraDeCopia(Buscar(sentencia));
    if (!EnviarPreparada(preparada, sentencia))
        Fallar(nullptr);
    PQsetSingleRowMode(conexion_.get());
    ResultadoPostgres error;
    std::exception_ptr fallo;
    bool seguir = true;
    QStringList fila;
    for (;;) {
        EsperarServidor(conexion_.get(), espera_, true);
        ResultadoPostgres r(PQgetResult(conexion_.get()));
        if (!r)
            break;
        const ExecStatusType estado = PQresultStatus(r.get());
        if (estado == PGRES_SINGLE_TUPLE && seguir) {
            fila.clear();
            for (int i = 0; i < PQnfields(r.get()); ++i)
                fila << (PQgetisnull(r.get(), 0, i) ? QString()
                                                    : DesdeUtf8(PQgetvalue(r.get(), 0, i)));
            // The rest still has to be read off the connection, unseen.
            try {
                seguir = lector(fila);
            } catch (...) {
                fallo = std::current_exception();
                seguir = false;
            }
        } else if (estado != PGRES_SINGLE_TUPLE && estado != PGRES_TUPLES_OK) {
            error = std::move(r);
        }
    }
    if (fallo)
        std::rethrow_exception(fallo);
    if (error)
        Fallar(error.get());
}

ResultadoPostgres MotorPostgres::EsperarResultado() {
    ResultadoPostgres ultimo;
    for (;;) {
        EsperarServidor(conexion_.get(), espera_, true);
        PGresult* r = PQgetResult(conexion_.get());
        if (!r)
            return ultimo;
        ultimo.reset(r);
    }
}

ResultadoPostgres MotorPostgres::Enviar(const char* sql) {
    return PQsendQuery(conexion_.get(), sql) ? EsperarResultado() : ResultadoPostgres();
}

void MotorPostgres::Comenzar() {
    if (PQstatus(conexion_.get()) == CONNECTION_BAD)
        Reconectar();
    ResultadoPostgres r = Enviar(kComienzo);
    // A server restarted since the last run: nothing has happened yet, so
    // connecting again and beginning anew is safe. After an immediate
    // shutdown libpq reports the lost connection while it still calls it good.
    if (PQresultStatus(r.get()) != PGRES_COMMAND_OK) {
        r.reset();
        Reconectar();
        r = Enviar(kComienzo);
    }
    if (PQresultStatus(r.get()) != PGRES_COMMAND_OK) {
        const ErrorEjecucion error = ErrorPostgres(conexion_.get(), r.get());
        r.reset();
        if (PQstatus(conexion_.get()) != CONNECTION_BAD)
            Enviar("ROLLBACK");
        throw error;
    }
    enTransaccion_ = true;
}

void MotorPostgres::Confirmar() {
    // A row the server refused surfaces here; Deshacer then ends the transaction.
    copia_.Terminar();
    enTransaccion_ = false;
    const ResultadoPostgres r = Enviar("COMMIT");
    if (PQresultStatus(r.get()) != PGRES_COMMAND_OK)
        throw ErrorPostgres(conexion_.get(), r.get());
    // COMMIT of a transaction that had already failed answers ROLLBACK.
    if (std::strcmp(PQcmdStatus(r.get()), "ROLLBACK") == 0)
        FallarTexto(MotivoPostgres(QStringLiteral("25P02"), QString()));
}

void MotorPostgres::Deshacer() {
    if (!enTransaccion_)
        return;
    enTransaccion_ = false;
    copia_.Cancelar();
    const ResultadoPostgres r = Enviar("ROLLBACK");
    if (PQresultStatus(r.get()) != PGRES_COMMAND_OK && PQstatus(conexion_.get()) != CONNECTION_BAD)
        throw ErrorPostgres(conexion_.get(), r.get());
}

void MotorPostgres::BloquearHistorial() {
    copia_.Terminar();
    const ResultadoPostgres r = Enviar(kBloqueoHistorial);
    if (PQresultStatus(r.get()) == PGRES_COMMAND_OK)
        return;
    if (QLatin1String(PQresultErrorField(r.get(), PG_DIAG_SQLSTATE)) == "55P03")
        FallarTexto(TextosBase::HistorialRetenido.arg(
            QLocale(QLocale::Spanish).toString(qMax(esperaOcupada_, 1) / 1000.0)));
    Fallar(r.get());
}

void MotorPostgres::EsperaOcupada(int milisegundos) {
    esperaOcupada_ = milisegundos;
    copia_.Terminar();
    if (!enTransaccion_ && PQstatus(conexion_.get()) == CONNECTION_BAD)
        Reconectar();
    PrepararSesion();
}

ResultadoPostgres MotorPostgres::Comando(const char* sql) {
    ResultadoPostgres r = Enviar(sql);
    const ExecStatusType estado = PQresultStatus(r.get());
    if (estado != PGRES_COMMAND_OK && estado != PGRES_TUPLES_OK)
        Fallar(r.get());
    return r;
}

void MotorPostgres::ComandoSinFilas(const char* sql) {
    Comando(sql);
}

void MotorPostgres::Fallar(const pg_result* resultado) {
    throw ErrorPostgres(conexion_.get(), resultado);
}
