#include "run/Historial.h"

#include "platform/archivos/CarpetaDatos.h"
#include "platform/base/Conexion.h"
#include "platform/proceso/Rutas.h"
#include "run/Programa.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QStringBuilder>
#include <QSysInfo>

namespace Historial {

namespace {

const QString kPrimerAnterior(64, u'0');

// The row's number follows the highest there is, taken under the chain's lock,
// so that a row written by hand with a later number stops no run; the server
// is told to take it instead of its own count.
// The row's number: after the highest, or, when a row planted by hand holds
// the largest number there can be, the first free one after a row.
QString SiguienteId() {
    return QStringLiteral(
        "CASE WHEN (SELECT coalesce(max(id), 0) FROM Historial) < 9223372036854775807 "
        "THEN (SELECT coalesce(max(id), 0) + 1 FROM Historial) "
        "ELSE coalesce((SELECT min(h.id) + 1 FROM Historial h WHERE h.id < 9223372036854775807 "
        "AND NOT EXISTS (SELECT 1 FROM Historial g WHERE g.id = h.id + 1)), 1) END");
}

QString Insercion(bool servidor) {
    const QStringList marcas(Cadena - Inicio + 1, QStringLiteral("?"));
    return QStringLiteral("INSERT INTO Historial (") % Columnas().join(QStringLiteral(", ")) %
           (servidor ? QStringLiteral(") OVERRIDING SYSTEM VALUE") : QStringLiteral(")")) %
           QStringLiteral(" VALUES (") % SiguienteId() % QStringLiteral(", ") %
           marcas.join(QStringLiteral(", ")) % u')';
}

QString Seleccion() {
    return QStringLiteral("SELECT ") % Columnas().join(QStringLiteral(", ")) %
           QStringLiteral(" FROM Historial");
}

// The filter's conditions, each value to bind added to `valores`.
QString Condiciones(const Filtro& filtro, QStringList& valores) {
    QStringList condiciones;
    const auto condicion = [&](const char* columna, const QString& valor) {
        if (valor.isEmpty())
            return;
        condiciones << QLatin1String(columna);
        valores << valor;
    };
    if (filtro.archivo) {
        condiciones << QStringLiteral("archivo = ?");
        valores << *filtro.archivo;
    }
    condicion("inicio >= ?", filtro.desde);
    condicion("inicio < ?", filtro.hasta);
    condicion("sha256 = ?", filtro.sha256);
    condicion("resultado = ?", filtro.completadas ? Completada : QString());
    return condiciones.isEmpty()
               ? QString()
               : QStringLiteral(" WHERE ") % condiciones.join(QStringLiteral(" AND "));
}

} // namespace

const QStringList& Columnas() {
    static const QStringList columnas = {
        QStringLiteral("id"),           QStringLiteral("inicio"),
        QStringLiteral("fin"),          QStringLiteral("modo"),
        QStringLiteral("usuario"),      QStringLiteral("equipo"),
        QStringLiteral("version"),      QStringLiteral("motor"),
        QStringLiteral("servidor"),     QStringLiteral("base"),
        QStringLiteral("archivo"),      QStringLiteral("ruta"),
        QStringLiteral("tamano"),       QStringLiteral("modificado"),
        QStringLiteral("sha256"),       QStringLiteral("codigo"),
        QStringLiteral("lineas"),       QStringLiteral("filas"),
        QStringLiteral("corrida"),      QStringLiteral("resultado"),
        QStringLiteral("error_numero"), QStringLiteral("error_descripcion"),
        QStringLiteral("cadena")};
    return columnas;
}

QString Momento(const QDateTime& momento) {
    return momento.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ"));
}

Fila Nueva(const Programa& programa, const QString& ruta) {
    Fila fila(NumeroCampos, QString());
    fila[Inicio] = Momento(QDateTime::currentDateTimeUtc());
    fila[Modo] = programa.EnLotes() ? QStringLiteral("lotes") : QStringLiteral("ventana");
    fila[Usuario] = NombreUsuario();
    fila[Equipo] = QSysInfo::machineHostName();
    fila[Version] = QCoreApplication::applicationVersion();
    const std::optional<DestinoPostgres> servidor =
        programa.gConexion() ? programa.gConexion()->DestinoServidor() : std::nullopt;
    fila[Motor] = servidor ? QStringLiteral("postgresql") : QStringLiteral("sqlite");
    fila[Servidor] = servidor ? servidor->servidor % u':' % servidor->puerto : QString();
    fila[Base] = servidor ? servidor->base : NombreLegible(programa.BaseDatos());
    fila[Ruta] = NombreLegible(RutaAbsoluta(ruta));
    for (const int numero : {Tamano, Lineas, Filas, ErrorNumero})
        fila[numero] = QStringLiteral("0");
    return fila;
}

QString Eslabon(const QString& anterior, const Fila& fila) {
    QCryptographicHash sha(QCryptographicHash::Sha256);
    sha.addData(anterior.toLatin1());
    for (int i = Inicio; i <= ErrorDescripcion; ++i) {
        const QByteArray bytes = fila[i].toUtf8();
        sha.addData(QByteArray::number(bytes.size()) + ':' + bytes + '\n');
    }
    return QString::fromLatin1(sha.result().toHex());
}

void Agregar(Conexion& conexion, Fila& fila) {
    conexion.BloquearHistorial();
    QString anterior = kPrimerAnterior;
    conexion.Consultar(QStringLiteral("SELECT cadena FROM Historial ORDER BY id DESC LIMIT 1"),
                       [&](const QStringList& ultima) {
                           anterior = ultima.value(0);
                           return false;
                       });
    fila[Cadena] = Eslabon(anterior, fila);
    conexion.Execute(Insercion(conexion.DestinoServidor().has_value()), fila.mid(Inicio, Cadena));
}

void Leer(Conexion& conexion, const Filtro& filtro,
          const std::function<bool(const Fila&)>& lector) {
    QStringList valores;
    const QString condiciones = Condiciones(filtro, valores);
    conexion.Consultar(Seleccion() % condiciones % QStringLiteral(" ORDER BY id DESC"), valores,
                       lector);
}

Comprobacion Comprobar(Conexion& conexion) {
    Comprobacion comprobacion;
    QString anterior = kPrimerAnterior;
    conexion.Consultar(Seleccion() % QStringLiteral(" ORDER BY id"), [&](const Fila& fila) {
        ++comprobacion.filas;
        if (Eslabon(anterior, fila) != fila[Cadena]) {
            comprobacion.fila = fila;
            return false;
        }
        anterior = fila[Cadena];
        return true;
    });
    return comprobacion;
}

} // namespace Historial
