#pragma once

#include <QString>

// The utility layer's texts: a value's errors, and a truth value as the user reads it.
namespace TextosUtil {
inline const QString TiposNoCoinciden = QStringLiteral("No coinciden los tipos");
inline const QString UsoNoValidoNull = QStringLiteral("Uso no válido de Null");
inline const QString Verdadero = QStringLiteral("Verdadero");
inline const QString Falso = QStringLiteral("Falso");
} // namespace TextosUtil
