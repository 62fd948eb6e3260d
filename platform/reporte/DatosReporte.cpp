#include "platform/reporte/DatosReporte.h"

#include "platform/proceso/ErrorEjecucion.h"
#include "platform/reporte/TextosReporte.h"

#include <QAtomicInteger>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

// A read waits 2 s for a writer before it fails (the driver's own default is
// 100 s, which would look like a hang), and a missing database file is an
// error, not a new empty file.
constexpr char kOpciones[] = ";Timeout=2000;NoCreat=1";

QString TextoError(const QSqlError& error) {
    const QString texto = error.databaseText().trimmed();
    return texto.isEmpty() ? error.text().trimmed() : texto;
}

[[noreturn]] void FallarLectura(const QSqlQuery& consulta) {
    throw ErrorEjecucion(ErroresReporte::LecturaDatos,
                         TextosReporte::LecturaDatos.arg(TextoError(consulta.lastError())));
}

QString NuevoNombre() {
    static QAtomicInteger<int> contador;
    return QStringLiteral("reporte-%1").arg(contador.fetchAndAddRelaxed(1));
}

} // namespace

QString DatosReporte::NombreConexion(const QString& conexion) {
    // QODBC puts "DSN=" in front of a name that holds no DRIVER= or SERVER=.
    QString resto = conexion.trimmed();
    if (!resto.startsWith(QLatin1String("DSN="), Qt::CaseInsensitive))
        return resto;
    resto = resto.mid(4);
    if (resto.endsWith(u';'))
        resto.chop(1);
    if (!resto.contains(QLatin1String("Timeout="), Qt::CaseInsensitive))
        resto += QLatin1String(kOpciones);
    return resto;
}

DatosReporte::DatosReporte(const QString& conexion, const Consulta& consulta)
    : nombre_(NuevoNombre())
    , conexion_(conexion)
    , consulta_(consulta) {
    try {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), nombre_);
        db.setDatabaseName(NombreConexion(conexion));
        if (!db.open())
            throw ErrorEjecucion(
                ErroresReporte::OrigenDatos,
                TextosReporte::OrigenDatos.arg(conexion, TextoError(db.lastError())));
        servidor_ = db.driver()->dbmsType() == QSqlDriver::PostgreSQL;
        if (servidor_)
            orden_ = QStringLiteral("id");
        Comprobar();
        ComprobarVigencia();
    } catch (...) {
        Cerrar();
        throw;
    }
}

DatosReporte::~DatosReporte() {
    Cerrar();
}

void DatosReporte::Cerrar() {
    {
        QSqlDatabase db = QSqlDatabase::database(nombre_, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(nombre_);
}

void DatosReporte::Comprobar() {
    const QSqlRecord campos = QSqlDatabase::database(nombre_, false).record(consulta_.tabla);
    if (campos.isEmpty()) {
        // No columns: either no such table or the catalogue could not be read
        // (a writer holding the file); only the engine's answer tells which.
        QSqlQuery sonda(QSqlDatabase::database(nombre_, false));
        if (sonda.exec(QLatin1String("SELECT 1 FROM ") + consulta_.tabla +
                       QLatin1String(" WHERE 1 = 0")))
            return;
        if (!TextoError(sonda.lastError()).contains(QLatin1String("no such table")) &&
            !TextoError(sonda.lastError()).contains(QLatin1String("does not exist")))
            FallarLectura(sonda);
        throw ErrorEjecucion(ErroresReporte::TablaNoExiste,
                             TextosReporte::TablaNoExiste.arg(consulta_.tabla));
    }
    QStringList nombres{consulta_.campoDetalle};
    if (consulta_.filtrar)
        nombres << consulta_.campoFiltro;
    for (const QString& campo : nombres) {
        if (!campos.contains(campo))
            throw ErrorEjecucion(ErroresReporte::CampoNoExiste,
                                 TextosReporte::CampoNoExiste.arg(consulta_.nombreEnPlantilla,
                                                                  campo, consulta_.tabla));
    }
}

void DatosReporte::ComprobarVigencia() {
    if (consulta_.tablaVigencia.isEmpty() || !consulta_.filtrar)
        return;
    QSqlQuery q(QSqlDatabase::database(nombre_, false));
    q.setForwardOnly(true);
    if (!q.prepare(QLatin1String("SELECT ") + consulta_.campoMarca + QLatin1String(" FROM ") +
                   consulta_.tablaVigencia + QLatin1String(" WHERE ") + consulta_.campoClave +
                   QLatin1String(" = ?")))
        FallarLectura(q);
    q.addBindValue(consulta_.valorFiltro);
    if (!q.exec())
        FallarLectura(q);
    if (!q.next() || q.value(0).toString() != consulta_.valorMarca)
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
    QSqlQuery q = Ejecutar(sql, {});
    if (!q.next())
        FallarLectura(q);
    ResumenDatos r;
    r.filas = q.value(0).toLongLong();
    r.primerId = q.value(1).toLongLong();
    r.ultimoId = q.value(2).toLongLong();
    r.longitudMaxima = q.value(3).toLongLong();
    r.lineas = q.value(4).toLongLong();
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
    QSqlQuery q = Ejecutar(sql, {});
    while (q.next())
        visitar(q.value(0).toLongLong(), q.value(1).toLongLong(), q.value(2).toLongLong());
    if (q.lastError().isValid())
        FallarLectura(q);
}

QSqlQuery DatosReporte::Ejecutar(const QString& sql, const QVariantList& valores) {
    QSqlQuery q(QSqlDatabase::database(nombre_, false));
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        FallarLectura(q);
    if (consulta_.filtrar) {
        // An empty text is bound as such, never as a database null.
        q.addBindValue(consulta_.valorFiltro.isNull() ? QStringLiteral("") : consulta_.valorFiltro);
        if (!consulta_.tablaVigencia.isEmpty()) {
            q.addBindValue(consulta_.valorFiltro.isNull() ? QStringLiteral("")
                                                          : consulta_.valorFiltro);
            q.addBindValue(consulta_.valorMarca);
        }
    }
    for (const QVariant& v : valores)
        q.addBindValue(v);
    if (!q.exec())
        FallarLectura(q);
    return q;
}

QList<FilaListado> DatosReporte::Filas(const QString& sql, const QVariantList& valores) {
    QSqlQuery q = Ejecutar(sql, valores);
    QList<FilaListado> filas;
    while (q.next())
        filas.append({q.value(0).toLongLong(), q.value(1).toString()});
    if (q.lastError().isValid())
        FallarLectura(q);
    return filas;
}

QList<FilaListado> DatosReporte::FilasEntre(qint64 desde, qint64 hasta) {
    const QString sql = QLatin1String("SELECT ") + orden_ + QLatin1String(", ") +
                        consulta_.campoDetalle + Desde() + orden_ +
                        QLatin1String(" BETWEEN ? AND ? ORDER BY ") + orden_;
    return Filas(sql, {desde, hasta});
}

QList<FilaListado> DatosReporte::FilasDesde(qint64 desde, int limite) {
    const QString sql = QLatin1String("SELECT ") + orden_ + QLatin1String(", ") +
                        consulta_.campoDetalle + Desde() + orden_ +
                        QLatin1String(" >= ? ORDER BY ") + orden_ + QLatin1String(" LIMIT ?");
    return Filas(sql, {desde, limite});
}
