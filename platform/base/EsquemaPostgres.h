#pragma once

#include <QByteArray>
#include <QString>

// The program's tables on a PostgreSQL server, in one place: the program runs
// the same text at open that it shows an administrator when it may not.

// The schema's version, kept in table Version.
// 2 added the run history.
inline constexpr int VersionEsquemaPostgres = 3;

// Creates whatever of the schema is missing; safe to run again.
extern const char* const EsquemaPostgres;

// The query that tells whether all the tables are there: one row, true or false.
extern const char* const ConsultaTablasPostgres;

// The query that lists the rights the current user lacks on the tables, as
// "INSERT en Datos, DELETE en Datos"; one row, null when none is missing.
QByteArray ConsultaPermisosFaltantes();

// The GRANT statements that give `usuario` (an identifier already quoted for
// SQL) every right the program needs.
QString ConcesionesPostgres(const QString& usuario);

// One row when a table of the program is a temporary one (a search_path that
// puts pg_temp first made it): the tables' names.
extern const char* const ConsultaTablasTemporales;

// The first table of the program, made by other hands, that lacks some of
// the program's columns: its name and the missing columns; no row otherwise.
extern const char* const ConsultaColumnasFaltantes;
