#include "platform/CadenaConexion.h"

#include <QStringList>

namespace {
const QStringList& ClavesConocidas() {
    static const QStringList claves = {
        QStringLiteral("Provider"),
        QStringLiteral("Data Source"),
        QStringLiteral("Persist Security Info"),
        QStringLiteral("Jet OLEDB:Database Password"),
        QStringLiteral("User ID"),
        QStringLiteral("Password"),
        QStringLiteral("Mode"),
    };
    return claves;
}
} // namespace

QString ValorConexion(const QString& cadena, const QString& clave) {
    QString valor;
    bool hallado = false;
    const QStringList piezas = cadena.split(u';');
    for (const QString& pieza : piezas) {
        const qsizetype igual = pieza.indexOf(u'=');
        const QString nombre = igual < 0 ? QString() : pieza.left(igual).trimmed();
        const bool conocida = igual >= 0 && ClavesConocidas().contains(nombre, Qt::CaseInsensitive);
        if (conocida) {
            if (hallado)
                break;
            if (nombre.compare(clave, Qt::CaseInsensitive) == 0) {
                hallado = true;
                valor = pieza.mid(igual + 1);
            }
        } else if (hallado) {
            valor += u';' + pieza;
        }
    }
    if (hallado && valor.endsWith(u';'))
        valor.chop(1);
    return valor;
}
