#pragma once

#include <QString>

// The Spanish reason for an SQLite result code, followed by the engine's own
// text in parentheses when there is one.
QString MotivoSqlite(int codigo, const QString& mensajeMotor);
