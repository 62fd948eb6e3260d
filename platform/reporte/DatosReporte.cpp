#include "platform/reporte/DatosReporte.h"

#include "platform/ErrorEjecucion.h"
#include "platform/reporte/TextosReporte.h"

#include <QAtomicInteger>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

// A read waits 2 s for a writer before it fails (the driver's own default is
// 100 s, which would look like a hang), and a missing database file is an
// error, not a new empty file.
constexpr char kOpciones[] = ";Timeout=2000;NoCreat=1";

QString Identificador(const QString& nombre) {
    return QLatin1Char('"') + nombre + QLatin1Char('"');
}

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
    if (resto.startsWith(QLatin1String("DSN="), Qt::CaseInsensitive))
        resto = resto.mid(4);
    if (resto.endsWith(QLatin1Char(';')))
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
        Comprobar();
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
        if (sonda.exec(QLatin1String("SELECT 1 FROM ") + Identificador(consulta_.tabla) +
                       QLatin1String(" WHERE 0")))
            return;
        if (!TextoError(sonda.lastError()).contains(QLatin1String("no such table")))
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

QString DatosReporte::Desde() const {
    QString sql =
        QLatin1String(" FROM ") + Identificador(consulta_.tabla) + QLatin1String(" WHERE ");
    if (consulta_.filtrar)
        sql += Identificador(consulta_.campoFiltro) + QLatin1String(" = ? AND ");
    return sql;
}

ResumenDatos DatosReporte::Resumir(int caracteresPorLinea) {
    const QString largo = QLatin1String("IFNULL(length(") + Identificador(consulta_.campoDetalle) +
                          QLatin1String("), 0)");
    const QString n = QString::number(caracteresPorLinea);
    const QString sql = QLatin1String("SELECT COUNT(*), MIN(rowid), MAX(rowid), MAX(") + largo +
                        QLatin1String("), SUM(MAX(1, (") + largo + QLatin1String(" + ") + n +
                        QLatin1String(" - 1) / ") + n + QLatin1String("))") + Desde() +
                        QLatin1String("1 = 1");
    QSqlQuery q = Ejecutar(sql, {});
    if (!q.next())
        FallarLectura(q);
    ResumenDatos r;
    r.filas = q.value(0).toLongLong();
    r.primerId = q.value(1).toLongLong();
    r.ultimoId = q.value(2).toLongLong();
    r.longitudMaxima = q.value(3).toLongLong();
    r.lineas = q.value(4).toLongLong();
    return r;
}

void DatosReporte::RecorrerInicios(int caracteresPorLinea, int lineasPorPagina,
                                   const std::function<void(qint64, qint64, qint64)>& visitar) {
    // The running sum of printed lines is left to the database; only the rows
    // in which a page starts come back, not every row of the file.
    const QString n = QString::number(caracteresPorLinea);
    const QString l = QString::number(lineasPorPagina);
    // When no row wraps, every row is one line and the index alone answers.
    const QString lineas = caracteresPorLinea <= 0
                               ? QStringLiteral("1")
                               : QLatin1String("MAX(1, (IFNULL(length(") +
                                     Identificador(consulta_.campoDetalle) +
                                     QLatin1String("), 0) + ") + n + QLatin1String(" - 1) / ") + n +
                                     QLatin1String(")");
    const QString filas = QLatin1String("SELECT rowid AS id, ") + lineas + QLatin1String(" AS n") +
                          Desde() + QLatin1String("1 = 1");
    const QString acumuladas = QLatin1String("SELECT id, n, SUM(n) OVER (ORDER BY id) - n AS antes "
                                             "FROM (") +
                               filas + QLatin1String(")");
    const QString sql = QLatin1String("SELECT id, antes, n FROM (") + acumuladas +
                        QLatin1String(") WHERE (antes + ") + l + QLatin1String(" - 1) / ") + l +
                        QLatin1String(" * ") + l + QLatin1String(" < antes + n ORDER BY id");
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
    if (consulta_.filtrar)
        q.addBindValue(consulta_.valorFiltro);
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
    const QString sql = QLatin1String("SELECT rowid, ") + Identificador(consulta_.campoDetalle) +
                        Desde() + QLatin1String("rowid BETWEEN ? AND ? ORDER BY rowid");
    return Filas(sql, {desde, hasta});
}

QList<FilaListado> DatosReporte::FilasDesde(qint64 desde, int limite) {
    const QString sql = QLatin1String("SELECT rowid, ") + Identificador(consulta_.campoDetalle) +
                        Desde() + QLatin1String("rowid >= ? ORDER BY rowid LIMIT ?");
    return Filas(sql, {desde, limite});
}
