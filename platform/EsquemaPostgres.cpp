#include "platform/EsquemaPostgres.h"

#include <QStringList>

namespace {

struct PermisosTabla {
    const char* tabla;
    QStringList permisos;
};

const PermisosTabla kPermisos[] = {
    {"Datos", {"SELECT", "INSERT", "DELETE"}},
    {"Corridas", {"SELECT", "INSERT", "UPDATE", "DELETE"}},
    {"Version", {"SELECT"}},
};

} // namespace

// The identity column goes last, so that tools that know only the two
// original columns can still write and read them by position. One index serves
// the run's delete by file and the listing's pages of a file in order.
const char* const EsquemaPostgres =
    "CREATE TABLE IF NOT EXISTS Datos (\n"
    "    t_datos text NULL,\n"
    "    t_archivo text NOT NULL,\n"
    "    id bigint GENERATED ALWAYS AS IDENTITY\n"
    ");\n"
    "CREATE INDEX IF NOT EXISTS datos_archivo_id ON Datos (t_archivo, id);\n"
    "CREATE TABLE IF NOT EXISTS Corridas (\n"
    "    t_archivo text PRIMARY KEY,\n"
    "    corrida bigint NOT NULL,\n"
    "    codigo text,\n"
    "    filas bigint\n"
    ");\n"
    "CREATE TABLE IF NOT EXISTS Version (numero integer NOT NULL);\n"
    "INSERT INTO Version (numero) SELECT 1 WHERE NOT EXISTS (SELECT FROM Version);\n";

const char* const ConsultaTablasPostgres =
    "SELECT to_regclass('datos') IS NOT NULL AND to_regclass('corridas') IS NOT NULL "
    "AND to_regclass('version') IS NOT NULL";

QByteArray ConsultaPermisosFaltantes() {
    QStringList filas;
    for (const PermisosTabla& t : kPermisos) {
        for (const QString& permiso : t.permisos)
            filas << QStringLiteral("(%1, '%2', '%3')")
                         .arg(QString::number(filas.size()), QLatin1String(t.tabla), permiso);
    }
    return QStringLiteral("SELECT string_agg(p || ' en ' || t, ', ' ORDER BY n) FROM (VALUES %1) "
                          "AS v (n, t, p) WHERE NOT has_table_privilege(t, p)")
        .arg(filas.join(QStringLiteral(", ")))
        .toUtf8();
}

QString ConcesionesPostgres(const QString& usuario) {
    QString texto;
    for (const PermisosTabla& t : kPermisos)
        texto += QStringLiteral("GRANT %1 ON %2 TO %3;\n")
                     .arg(t.permisos.join(QStringLiteral(", ")), QLatin1String(t.tabla), usuario);
    return texto;
}
