#include "platform/reporte/FuentePostgres.h"

#include "platform/base/MotorPostgres.h"
#include "platform/proceso/ErrorEjecucion.h"
#include "platform/reporte/TextosReporte.h"

#include <utility>

namespace {

// The table as the server resolves an unquoted name, through the search path.
constexpr char kColumnas[] =
    "SELECT r IS NOT NULL, a.attname FROM (SELECT to_regclass(?) AS r) AS t LEFT JOIN "
    "pg_attribute a ON a.attrelid = t.r AND a.attnum > 0 AND NOT a.attisdropped ORDER BY a.attnum";

} // namespace

FuentePostgres::FuentePostgres(const QString& cadena) {
    try {
        motor_ = MotorPostgres::AbrirLectura(cadena);
    } catch (const ErrorEjecucion& e) {
        throw ErrorEjecucion(ErroresReporte::OrigenDatos,
                             TextosReporte::OrigenDatos.arg(cadena, e.Descripcion()));
    }
}

FuentePostgres::~FuentePostgres() = default;

std::optional<QStringList> FuentePostgres::Columnas(const QString& tabla) {
    bool existe = false;
    QStringList nombres;
    Leer(QLatin1String(kColumnas), {tabla}, [&](const QStringList& fila) {
        existe = fila.value(0) == QLatin1String("t");
        if (!fila.value(1).isNull())
            nombres << fila.value(1);
    });
    return existe ? std::optional<QStringList>(nombres) : std::nullopt;
}

void FuentePostgres::Leer(const QString& sql, const QVariantList& valores,
                          const std::function<void(const QStringList&)>& fila) {
    QStringList textos;
    for (const QVariant& v : valores)
        textos << v.toString();
    SentenciaParametrizada sentencia;
    sentencia.forma = sql;
    for (const QString& texto : std::as_const(textos))
        sentencia.literales.append(texto);
    try {
        motor_->Consultar(sentencia, [&](const QStringList& columnas) {
            fila(columnas);
            return true;
        });
    } catch (const ErrorEjecucion& e) {
        if (e.Numero() != Errores::BaseDatos)
            throw;
        throw ErrorEjecucion(ErroresReporte::LecturaDatos,
                             TextosReporte::LecturaDatos.arg(e.Descripcion()));
    }
}
