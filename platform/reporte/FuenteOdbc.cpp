#include "platform/reporte/FuenteOdbc.h"

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

QStringList Nombres(const QSqlRecord& campos) {
    QStringList nombres;
    for (int i = 0; i < campos.count(); ++i)
        nombres << campos.fieldName(i);
    return nombres;
}

QString NuevoNombre() {
    static QAtomicInteger<int> contador;
    return QStringLiteral("reporte-%1").arg(contador.fetchAndAddRelaxed(1));
}

} // namespace

QString FuenteOdbc::NombreConexion(const QString& conexion) {
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

FuenteOdbc::FuenteOdbc(const QString& conexion)
    : nombre_(NuevoNombre()) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), nombre_);
    db.setDatabaseName(NombreConexion(conexion));
    if (!db.open()) {
        const QString texto = TextoError(db.lastError());
        db = QSqlDatabase();
        Cerrar();
        throw ErrorEjecucion(ErroresReporte::OrigenDatos,
                             TextosReporte::OrigenDatos.arg(conexion, texto));
    }
    if (db.driver()->dbmsType() == QSqlDriver::PostgreSQL)
        orden_ = QStringLiteral("id");
}

FuenteOdbc::~FuenteOdbc() {
    Cerrar();
}

void FuenteOdbc::Cerrar() {
    {
        QSqlDatabase db = QSqlDatabase::database(nombre_, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(nombre_);
}

std::optional<QStringList> FuenteOdbc::Columnas(const QString& tabla) {
    const QSqlRecord campos = QSqlDatabase::database(nombre_, false).record(tabla);
    if (campos.isEmpty()) {
        // No columns: either no such table or the catalogue could not be read
        // (a writer holding the file); only the engine's answer tells which.
        QSqlQuery sonda(QSqlDatabase::database(nombre_, false));
        if (sonda.exec(QLatin1String("SELECT * FROM ") + tabla + QLatin1String(" WHERE 1 = 0")))
            return Nombres(sonda.record());
        if (!TextoError(sonda.lastError()).contains(QLatin1String("no such table")) &&
            !TextoError(sonda.lastError()).contains(QLatin1String("does not exist")))
            FallarLectura(sonda);
        return std::nullopt;
    }
    return Nombres(campos);
}

void FuenteOdbc::Leer(const QString& sql, const QVariantList& valores,
                      const std::function<void(const QStringList&)>& fila) {
    QSqlQuery q(QSqlDatabase::database(nombre_, false));
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        FallarLectura(q);
    for (const QVariant& v : valores)
        q.addBindValue(v);
    if (!q.exec())
        FallarLectura(q);
    QStringList columnas;
    const int n = q.record().count();
    while (q.next()) {
        columnas.clear();
        for (int i = 0; i < n; ++i)
            columnas << q.value(i).toString();
        fila(columnas);
    }
    if (q.lastError().isValid())
        FallarLectura(q);
}
