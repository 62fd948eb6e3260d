#include "app/ModeloHistorial.h"

#include "app/TextosHistorial.h"
#include "platform/base/Conexion.h"
#include "platform/proceso/Cantidad.h"
#include "platform/proceso/TextoVisible.h"
#include "run/Historial.h"
#include "run/Listado.h"

#include <QDateTime>
#include <QHash>

namespace {

QString Resultado(const Historial::Fila& fila) {
    const QString& resultado = fila[Historial::Resultado];
    if (resultado == Historial::Completada)
        return TextosHistorial::Completada;
    if (resultado == Historial::Cancelada)
        return TextosHistorial::Cancelada;
    return TextosHistorial::Fallida.arg(fila[Historial::ErrorDescripcion]);
}

CorridaHistorial Convertir(const Historial::Fila& fila) {
    CorridaHistorial corrida;
    corrida.inicio =
        QDateTime::fromString(fila[Historial::Inicio], Qt::ISODateWithMs).toMSecsSinceEpoch();
    corrida.filas = fila[Historial::Filas].toLongLong();
    corrida.archivo = fila[Historial::Archivo];
    corrida.codigo = fila[Historial::Codigo];
    corrida.usuario = fila[Historial::Usuario];
    corrida.equipo = fila[Historial::Equipo];
    corrida.resultado = Resultado(fila);
    corrida.corrida = fila[Historial::Corrida];
    // Until the marks say whether its rows still stand.
    corrida.estado = fila[Historial::Resultado] == Historial::Completada
                         ? CorridaHistorial::Reemplazada
                         : CorridaHistorial::Inconclusa;
    return corrida;
}

// The mark of the run whose rows stand, by the file's stored name.
QHash<QString, QString> Marcas(Conexion& conexion) {
    QHash<QString, QString> marcas;
    conexion.Consultar(QStringLiteral("SELECT t_archivo, corrida FROM Corridas"),
                       [&](const QStringList& fila) {
                           marcas.insert(fila.value(0), fila.value(1));
                           return true;
                       });
    return marcas;
}

} // namespace

ModeloHistorial::ModeloHistorial(std::vector<CorridaHistorial> filas, QObject* padre)
    : QAbstractTableModel(padre)
    , filas_(std::move(filas)) {}

std::vector<CorridaHistorial> ModeloHistorial::Leer(Conexion& conexion) {
    std::vector<CorridaHistorial> filas;
    Historial::Leer(conexion, {}, [&](const Historial::Fila& fila) {
        filas.push_back(Convertir(fila));
        return true;
    });
    // The marks after the history: a run that ends in between can only make
    // an earlier run of its file read as replaced, which it then is.
    const QHash<QString, QString> marcas = Marcas(conexion);
    for (CorridaHistorial& corrida : filas)
        if (corrida.estado == CorridaHistorial::Reemplazada && !corrida.corrida.isEmpty() &&
            marcas.value(NombreGuardado(corrida.archivo)) == corrida.corrida)
            corrida.estado = CorridaHistorial::Vigente;
    return filas;
}

int ModeloHistorial::rowCount(const QModelIndex& padre) const {
    return padre.isValid() ? 0 : int(filas_.size());
}

int ModeloHistorial::columnCount(const QModelIndex& padre) const {
    return padre.isValid() ? 0 : int(TextosHistorial::Columnas.size());
}

QString ModeloHistorial::Texto(const CorridaHistorial& corrida, int columna) const {
    switch (columna) {
    case ColFecha:
        return QDateTime::fromMSecsSinceEpoch(corrida.inicio)
            .toLocalTime()
            .toString(TextosHistorial::FormatoFecha);
    case ColArchivo:
        return TextoVisible(corrida.archivo);
    case ColCodigo:
        return TextoVisible(corrida.codigo);
    case ColFilas:
        return TextoCantidad(corrida.filas);
    case ColUsuario:
        return TextoVisible(corrida.usuario);
    case ColEquipo:
        return TextoVisible(corrida.equipo);
    default:
        return TextoVisible(corrida.resultado);
    }
}

QVariant ModeloHistorial::data(const QModelIndex& indice, int rol) const {
    if (!indice.isValid() || indice.row() >= rowCount())
        return {};
    const CorridaHistorial& corrida = Corrida(indice.row());
    const int columna = indice.column();
    switch (rol) {
    case Qt::DisplayRole:
        return Texto(corrida, columna);
    // A long name or error reads whole in its tip.
    case Qt::ToolTipRole:
        return columna == ColArchivo || columna == ColResultado ? Texto(corrida, columna)
                                                                : QVariant();
    case RolOrden:
        return columna == ColFecha   ? QVariant(corrida.inicio)
               : columna == ColFilas ? QVariant(corrida.filas)
                                     : QVariant(Texto(corrida, columna));
    case Qt::TextAlignmentRole:
        return columna == ColFilas ? QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter)
                                   : QVariant();
    default:
        return {};
    }
}

QVariant ModeloHistorial::headerData(int seccion, Qt::Orientation orientacion, int rol) const {
    if (orientacion != Qt::Horizontal || rol != Qt::DisplayRole)
        return QAbstractTableModel::headerData(seccion, orientacion, rol);
    return TextosHistorial::Columnas.value(seccion);
}
