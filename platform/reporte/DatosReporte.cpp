#include "platform/reporte/DatosReporte.h"

#include "platform/proceso/Cantidad.h"
#include "platform/proceso/ErrorEjecucion.h"
#include "platform/reporte/FuenteOdbc.h"
#include "platform/reporte/FuentePostgres.h"
#include "platform/reporte/TextosReporte.h"

#include <optional>

namespace {

// What marks a server's libpq connection string among ODBC ones.
constexpr char kPrefijoServidor[] = "libpq:";
// The longest detail a listing reads: the longest line a run stores. A longer
// one was planted by hand, and is never held whole.
constexpr qint64 kMaximoCampo = 1 << 20;

[[noreturn]] void CampoGrande(qint64 caracteres) {
    throw ErrorEjecucion(ErroresReporte::LecturaDatos,
                         TextosReporte::LecturaDatos.arg(TextosReporte::CampoGrande.arg(
                             TextoCantidad(caracteres), TextoCantidad(kMaximoCampo))));
}

} // namespace

QString DatosReporte::CadenaServidor(const QString& cadenaLibpq) {
    return QLatin1String(kPrefijoServidor) + cadenaLibpq;
}

DatosReporte::DatosReporte(const QString& conexion, const Consulta& consulta)
    : consulta_(consulta) {
    if (conexion.startsWith(QLatin1String(kPrefijoServidor)))
        fuente_ =
            std::make_unique<FuentePostgres>(conexion.mid(qsizetype(sizeof kPrefijoServidor) - 1));
    else
        fuente_ = std::make_unique<FuenteOdbc>(conexion);
    orden_ = fuente_->Orden();
    Comprobar();
    ComprobarVigencia();
}

DatosReporte::~DatosReporte() = default;

void DatosReporte::Comprobar() {
    const std::optional<QStringList> campos = fuente_->Columnas(consulta_.tabla);
    if (!campos)
        throw ErrorEjecucion(ErroresReporte::TablaNoExiste,
                             TextosReporte::TablaNoExiste.arg(consulta_.tabla));
    QStringList nombres{consulta_.campoDetalle};
    if (consulta_.filtrar)
        nombres << consulta_.campoFiltro;
    for (const QString& campo : nombres) {
        if (!campos->contains(campo, Qt::CaseInsensitive))
            throw ErrorEjecucion(ErroresReporte::CampoNoExiste,
                                 TextosReporte::CampoNoExiste.arg(consulta_.nombreEnPlantilla,
                                                                  campo, consulta_.tabla));
    }
}

void DatosReporte::ComprobarVigencia() {
    if (consulta_.tablaVigencia.isEmpty() || !consulta_.filtrar)
        return;
    std::optional<QString> marca;
    fuente_->Leer(QLatin1String("SELECT ") + consulta_.campoMarca + QLatin1String(" FROM ") +
                      consulta_.tablaVigencia + QLatin1String(" WHERE ") + consulta_.campoClave +
                      QLatin1String(" = ?"),
                  {consulta_.valorFiltro}, [&](const QStringList& fila) {
                      if (!marca)
                          marca = fila.value(0);
                  });
    if (marca != consulta_.valorMarca)
        throw ErrorEjecucion(ErroresReporte::Reemplazadas,
                             TextosReporte::Reemplazadas.arg(consulta_.valorFiltro));
}

QString DatosReporte::Desde() const {
    QString sql = QLatin1String(" FROM ") + consulta_.tabla + QLatin1String(" WHERE ");
    if (consulta_.filtrar) {
        sql += consulta_.campoFiltro + QLatin1String(" = ? AND ");
        if (!consulta_.tablaVigencia.isEmpty())
            sql += QLatin1String("EXISTS (SELECT 1 FROM ") + consulta_.tablaVigencia +
                   QLatin1String(" WHERE ") + consulta_.campoClave + QLatin1String(" = ? AND ") +
                   consulta_.campoMarca + QLatin1String(" = ?) AND ");
    }
    return sql;
}

ResumenDatos DatosReporte::Resumir(int caracteresPorLinea) {
    const QString largo =
        QLatin1String("COALESCE(length(") + consulta_.campoDetalle + QLatin1String("), 0)");
    const QString n = QString::number(caracteresPorLinea);
    const QString lineas =
        QLatin1String("(") + largo + QLatin1String(" + ") + n + QLatin1String(" - 1) / ") + n;
    const QString sql = QLatin1String("SELECT COUNT(*), MIN(") + orden_ + QLatin1String("), MAX(") +
                        orden_ + QLatin1String("), MAX(") + largo +
                        QLatin1String("), SUM(CASE WHEN ") + lineas + QLatin1String(" > 1 THEN ") +
                        lineas + QLatin1String(" ELSE 1 END)") + Desde() + QLatin1String("1 = 1");
    ResumenDatos r;
    Leer(sql, {}, [&](const QStringList& fila) {
        r.filas = fila.value(0).toLongLong();
        r.primerId = fila.value(1).toLongLong();
        r.ultimoId = fila.value(2).toLongLong();
        r.longitudMaxima = fila.value(3).toLongLong();
        r.lineas = fila.value(4).toLongLong();
    });
    if (r.longitudMaxima > kMaximoCampo)
        CampoGrande(r.longitudMaxima);
    // A later run that committed since the guard was checked leaves no rows
    // to count: that is a replaced listing, not an empty one.
    ComprobarVigencia();
    return r;
}

void DatosReporte::RecorrerInicios(int caracteresPorLinea, int lineasPorPagina,
                                   const std::function<void(qint64, qint64, qint64)>& visitar) {
    // The running sum of printed lines is left to the database; only the rows
    // in which a page starts come back, not every row of the file.
    const QString n = QString::number(caracteresPorLinea);
    const QString l = QString::number(lineasPorPagina);
    const QString largo = QLatin1String("(COALESCE(length(") + consulta_.campoDetalle +
                          QLatin1String("), 0) + ") + n + QLatin1String(" - 1) / ") + n;
    // When no row wraps, every row is one line and the index alone answers.
    const QString lineas = caracteresPorLinea <= 0
                               ? QStringLiteral("1")
                               : QLatin1String("CASE WHEN ") + largo + QLatin1String(" > 1 THEN ") +
                                     largo + QLatin1String(" ELSE 1 END");
    const QString filas = QLatin1String("SELECT ") + orden_ + QLatin1String(" AS id, ") + lineas +
                          QLatin1String(" AS n") + Desde() + QLatin1String("1 = 1");
    const QString acumuladas = QLatin1String("SELECT id, n, SUM(n) OVER (ORDER BY id) - n AS antes "
                                             "FROM (") +
                               filas + QLatin1String(") AS filas");
    const QString sql = QLatin1String("SELECT id, antes, n FROM (") + acumuladas +
                        QLatin1String(") AS acumuladas WHERE (antes + ") + l +
                        QLatin1String(" - 1) / ") + l + QLatin1String(" * ") + l +
                        QLatin1String(" < antes + n ORDER BY id");
    Leer(sql, {}, [&](const QStringList& fila) {
        visitar(fila.value(0).toLongLong(), fila.value(1).toLongLong(), fila.value(2).toLongLong());
    });
}

void DatosReporte::Leer(const QString& sql, const QVariantList& valores,
                        const std::function<void(const QStringList&)>& fila) {
    QVariantList todos;
    if (consulta_.filtrar) {
        // An empty text is bound as such, never as a database null.
        const QString filtro =
            consulta_.valorFiltro.isNull() ? QStringLiteral("") : consulta_.valorFiltro;
        todos << filtro;
        if (!consulta_.tablaVigencia.isEmpty())
            todos << filtro << consulta_.valorMarca;
    }
    fuente_->Leer(sql, todos + valores, fila);
}

QList<FilaListado> DatosReporte::Filas(const QString& sql, const QVariantList& valores) {
    QList<FilaListado> filas;
    Leer(sql, valores, [&](const QStringList& fila) {
        const QString texto = fila.value(1);
        if (texto.size() > kMaximoCampo)
            if (const qsizetype caracteres = texto.toUcs4().size(); caracteres > kMaximoCampo)
                CampoGrande(caracteres);
        filas.append({fila.value(0).toLongLong(), texto});
    });
    return filas;
}

QString DatosReporte::Detalle() const {
    // One character past the bound tells a longer value without reading it whole.
    return QLatin1String("substr(") + consulta_.campoDetalle + QLatin1String(", 1, ") +
           QString::number(kMaximoCampo + 1) + u')';
}

QList<FilaListado> DatosReporte::FilasEntre(qint64 desde, qint64 hasta) {
    const QString sql = QLatin1String("SELECT ") + orden_ + QLatin1String(", ") + Detalle() +
                        Desde() + orden_ + QLatin1String(" BETWEEN ? AND ? ORDER BY ") + orden_;
    return Filas(sql, {desde, hasta});
}

QList<FilaListado> DatosReporte::FilasDesde(qint64 desde, int limite) {
    const QString sql = QLatin1String("SELECT ") + orden_ + QLatin1String(", ") + Detalle() +
                        Desde() + orden_ + QLatin1String(" >= ? ORDER BY ") + orden_ +
                        QLatin1String(" LIMIT ?");
    return Filas(sql, {desde, limite});
}
