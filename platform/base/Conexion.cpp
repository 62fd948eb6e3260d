#include "platform/base/Conexion.h"

#include "platform/base/CadenaConexion.h"
#include "platform/base/MotorPostgres.h"
#include "platform/base/MotorSqlite.h"
#include "platform/base/TextosBase.h"
#include "platform/proceso/ErrorEjecucion.h"

namespace {
[[noreturn]] void Fallar(const QString& texto) {
    throw ErrorEjecucion(Errores::BaseDatos, texto);
}
} // namespace

Conexion::Conexion() = default;

Conexion::~Conexion() = default;

void Conexion::Open() {
    if (motor_)
        Fallar(TextosBase::YaAbierta);
    if (!cadena_.trimmed().startsWith(QLatin1String("Provider="), Qt::CaseInsensitive)) {
        motor_ = MotorPostgres::Abrir(cadena_);
        if (espera_)
            motor_->EsperaOcupada(*espera_);
        return;
    }
    motor_ = MotorSqlite::Abrir(
        ValorConexion(cadena_, QStringLiteral("Data Source")),
        ValorConexion(cadena_, QStringLiteral("Jet OLEDB:Database Password")), espera_);
}

Motor& Conexion::MotorAbierto() {
    if (!motor_)
        Fallar(TextosBase::Cerrada);
    return *motor_;
}

std::optional<DestinoPostgres> Conexion::DestinoServidor() const {
    if (const auto* servidor = dynamic_cast<const MotorPostgres*>(motor_.get()))
        return servidor->Destino();
    return std::nullopt;
}

void Conexion::BloquearHistorial() {
    MotorAbierto().BloquearHistorial();
}

void Conexion::EstablecerEsperaOcupada(int milisegundos) {
    espera_ = milisegundos;
    if (motor_)
        motor_->EsperaOcupada(milisegundos);
}

void Conexion::EstablecerAviso(std::function<bool()> aviso) {
    MotorAbierto().EstablecerAviso(std::move(aviso));
}

void Conexion::Execute(const QString& sql) {
    Motor& motor = MotorAbierto();
    Separar(sql);
    motor.Ejecutar(sentencia_);
}

void Conexion::Consultar(const QString& sql,
                         const std::function<bool(const QStringList&)>& lector) {
    Motor& motor = MotorAbierto();
    Separar(sql);
    motor.Consultar(sentencia_, lector);
}

void Conexion::Execute(const QString& forma, const QStringList& valores) {
    Motor& motor = MotorAbierto();
    Vincular(forma, valores);
    motor.Ejecutar(sentencia_);
}

void Conexion::Consultar(const QString& forma, const QStringList& valores,
                         const std::function<bool(const QStringList&)>& lector) {
    Motor& motor = MotorAbierto();
    Vincular(forma, valores);
    motor.Consultar(sentencia_, lector);
}

void Conexion::Vincular(const QString& forma, const QStringList& valores) {
    sentencia_.forma = forma;
    sentencia_.huecos.clear();
    sentencia_.deshechos.clear();
    sentencia_.literales.clear();
    for (const QString& valor : valores)
        sentencia_.literales.append(valor);
}

void Conexion::Separar(const QString& sql) {
    if (!Parametrizar(sql, sentencia_)) {
        sentencia_.forma = sql;
        sentencia_.literales.clear();
    }
}

void Conexion::BeginTrans() {
    if (enTransaccion_)
        Fallar(TextosBase::TransaccionEnCurso);
    MotorAbierto().Comenzar();
    enTransaccion_ = true;
}

void Conexion::CommitTrans() {
    if (!enTransaccion_)
        Fallar(TextosBase::SinTransaccion);
    MotorAbierto().Confirmar();
    enTransaccion_ = false;
}

void Conexion::RollbackTrans() {
    if (!enTransaccion_)
        Fallar(TextosBase::SinTransaccion);
    enTransaccion_ = false;
    MotorAbierto().Deshacer();
}
