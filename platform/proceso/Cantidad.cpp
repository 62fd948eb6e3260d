#include "platform/proceso/Cantidad.h"

namespace {
// Four digits stay together, as Spanish style guides prefer.
constexpr qint64 kDesdeAgrupar = 10000;
constexpr int kGrupo = 3;
} // namespace

QString TextoCantidad(qint64 cantidad) {
    QString digitos = QString::number(cantidad);
    if (cantidad > -kDesdeAgrupar && cantidad < kDesdeAgrupar)
        return digitos;
    const qsizetype primero = cantidad < 0 ? 1 : 0;
    for (qsizetype i = digitos.size() - kGrupo; i > primero; i -= kGrupo)
        digitos.insert(i, u'.');
    return digitos;
}
