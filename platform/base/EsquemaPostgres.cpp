#include "platform/base/EsquemaPostgres.h"

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
    // The history is only ever added to and read.
    {"Historial", {"SELECT", "INSERT"}},
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
    "    corrida text NOT NULL,\n"
    "    codigo text,\n"
    "    filas bigint\n"
    ");\n"
    "CREATE TABLE IF NOT EXISTS Version (numero integer NOT NULL);\n"
    "INSERT INTO Version (numero) SELECT 1 WHERE NOT EXISTS (SELECT FROM Version);\n"
    "CREATE TABLE IF NOT EXISTS Historial (\n"
    "    id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,\n"
    "    inicio text NOT NULL,\n"
    "    fin text NOT NULL,\n"
    "    modo text NOT NULL,\n"
    "    usuario text NOT NULL,\n"
    "    equipo text NOT NULL,\n"
    "    version text NOT NULL,\n"
    "    motor text NOT NULL,\n"
    "    servidor text NOT NULL,\n"
    "    base text NOT NULL,\n"
    "    archivo text NOT NULL,\n"
    "    ruta text NOT NULL,\n"
    "    tamano bigint NOT NULL,\n"
    "    modificado text NOT NULL,\n"
    "    sha256 text NOT NULL,\n"
    "    codigo text NOT NULL,\n"
    "    lineas bigint NOT NULL,\n"
    "    filas bigint NOT NULL,\n"
    "    corrida text NOT NULL,\n"
    "    resultado text NOT NULL,\n"
    "    error_numero bigint NOT NULL,\n"
    "    error_descripcion text NOT NULL,\n"
    "    cadena text NOT NULL\n"
    ");\n"
    "CREATE INDEX IF NOT EXISTS historial_archivo ON Historial (archivo);\n"
    "CREATE INDEX IF NOT EXISTS historial_sha256 ON Historial (sha256);\n"
    // The history window's sort by any column, a page at a time.
    "CREATE INDEX IF NOT EXISTS historial_archivo_id ON Historial (archivo, id);\n"
    "CREATE INDEX IF NOT EXISTS historial_inicio_id ON Historial (inicio, id);\n"
    "CREATE INDEX IF NOT EXISTS historial_codigo_id ON Historial (codigo, id);\n"
    "CREATE INDEX IF NOT EXISTS historial_filas_id ON Historial (filas, id);\n"
    "CREATE INDEX IF NOT EXISTS historial_usuario_id ON Historial (usuario, id);\n"
    "CREATE INDEX IF NOT EXISTS historial_equipo_id ON Historial (equipo, id);\n"
    "CREATE INDEX IF NOT EXISTS historial_resultado_id ON Historial "
    "(resultado, error_descripcion, id);\n"
    "UPDATE Version SET numero = 3 WHERE numero < 3;\n";

const char* const ConsultaTablasPostgres =
    "SELECT to_regclass('datos') IS NOT NULL AND to_regclass('corridas') IS NOT NULL "
    "AND to_regclass('version') IS NOT NULL AND to_regclass('historial') IS NOT NULL";

const char* const ConsultaTablasTemporales =
    "SELECT string_agg(relname, ', ') FROM pg_class WHERE oid IN (to_regclass('datos'), "
    "to_regclass('corridas'), to_regclass('version'), to_regclass('historial')) AND relpersistence "
    "= 't' HAVING count(*) > 0";

const char* const ConsultaColumnasFaltantes =
    "SELECT t, string_agg(c, ', ' ORDER BY n) FROM (VALUES (1, 'datos', 't_datos'), "
    "(2, 'datos', 't_archivo'), (3, 'datos', 'id'), (4, 'corridas', 't_archivo'), "
    "(5, 'corridas', 'corrida'), (6, 'corridas', 'codigo'), (7, 'corridas', 'filas'), "
    "(8, 'version', 'numero'), (9, 'historial', 'id'), (10, 'historial', 'archivo'), "
    "(11, 'historial', 'sha256'), (12, 'historial', 'codigo'), (13, 'historial', 'cadena')) "
    "AS v (n, t, c) WHERE NOT EXISTS (SELECT FROM pg_attribute "
    "WHERE attrelid = to_regclass(t) AND attname = c AND NOT attisdropped) "
    "GROUP BY t ORDER BY min(n) LIMIT 1";

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
