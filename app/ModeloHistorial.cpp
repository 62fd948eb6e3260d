#include "app/ModeloHistorial.h"

#include "app/TextosHistorial.h"
#include "platform/base/Conexion.h"
#include "platform/proceso/Cantidad.h"
#include "platform/proceso/ErrorEjecucion.h"
#include "platform/proceso/TextoVisible.h"
#include "run/CorridaControl.h"
#include "run/Historial.h"
#include "run/Listado.h"

#include <QDateTime>
#include <QStringBuilder>

namespace {

// The columns read, in this order.
enum Campo {
    CId,
    CInicio,
    CArchivo,
    CCodigo,
    CFilas,
    CUsuario,
    CEquipo,
    CResultado,
    CError,
    CCorrida
};
const QString kSeleccion = QStringLiteral(
    "SELECT id, inicio, archivo, codigo, filas, usuario, equipo, resultado, error_descripcion, "
    "corrida FROM Historial");

// Rows a page: more than a screen holds, few enough to read at once.
constexpr int kPagina = 256;
// The distinct file names walked, each by one step down the index, to narrow
// by name; a history with more of them is narrowed row by row.
constexpr int kMaximoNombres = 10000;
// The matching rows, R of N, are sorted by the engine at once when they are
// few, one look-up each; otherwise the rows are walked in the order shown
// until a page is full, about a page times N / R of them. In time order the
// walk follows the table itself and costs a tenth of a look-up a row: R² up to
// 25 N; in any other order each row walked is a look-up too: R² up to 256 N.
constexpr double kBalanceFecha = 25;
constexpr double kBalanceOtras = 256;

// Every distinct file name, one step down the file's index each: a thousand
// files of a thousand runs each cost a thousand steps, not a million rows.
const QString kNombres =
    QStringLiteral(
        "WITH RECURSIVE nombres (a, n) AS (SELECT min(archivo), 1 FROM Historial UNION ALL "
        "SELECT (SELECT min(archivo) FROM Historial WHERE archivo > nombres.a), n + 1 FROM nombres "
        "WHERE a IS NOT NULL AND n < %1) ")
        .arg(kMaximoNombres);

// The columns a column of the table sorts by, the id breaking ties.
QList<Campo> Claves(ModeloHistorial::Columna columna) {
    switch (columna) {
    case ModeloHistorial::ColFecha:
        return {CInicio, CId};
    case ModeloHistorial::ColArchivo:
        return {CArchivo, CId};
    case ModeloHistorial::ColCodigo:
        return {CCodigo, CId};
    case ModeloHistorial::ColFilas:
        return {CFilas, CId};
    case ModeloHistorial::ColUsuario:
        return {CUsuario, CId};
    case ModeloHistorial::ColEquipo:
        return {CEquipo, CId};
    case ModeloHistorial::ColResultado:
        return {CResultado, CError, CId};
    }
    return {CId};
}

QString NombreCampo(Campo campo) {
    static const QStringList nombres = {
        QStringLiteral("id"),     QStringLiteral("inicio"),    QStringLiteral("archivo"),
        QStringLiteral("codigo"), QStringLiteral("filas"),     QStringLiteral("usuario"),
        QStringLiteral("equipo"), QStringLiteral("resultado"), QStringLiteral("error_descripcion"),
        QStringLiteral("corrida")};
    return nombres[campo];
}

// `texto` anywhere in the name: its own "%", "_" and "!" match only themselves.
QString Patron(const QString& texto) {
    QString patron(u'%');
    for (const QChar c : texto) {
        if (c == u'%' || c == u'_' || c == u'!')
            patron += u'!';
        patron += c;
    }
    return patron + u'%';
}

QString Resultado(const QStringList& fila) {
    const QString& resultado = fila[CResultado];
    if (resultado == Historial::Completada)
        return TextosHistorial::Completada;
    if (resultado == Historial::Cancelada)
        return TextosHistorial::Cancelada;
    return TextosHistorial::Fallida.arg(fila[CError]);
}

CorridaHistorial Convertir(const QStringList& fila, const QHash<QString, QString>& marcas) {
    CorridaHistorial corrida;
    corrida.inicio = QDateTime::fromString(fila[CInicio], Qt::ISODateWithMs).toMSecsSinceEpoch();
    corrida.filas = fila[CFilas].toLongLong();
    corrida.archivo = fila[CArchivo];
    corrida.codigo = fila[CCodigo];
    corrida.usuario = fila[CUsuario];
    corrida.equipo = fila[CEquipo];
    corrida.resultado = Resultado(fila);
    corrida.corrida = fila[CCorrida];
    if (fila[CResultado] != Historial::Completada)
        corrida.estado = CorridaHistorial::Inconclusa;
    else if (!corrida.corrida.isEmpty() &&
             marcas.value(NombreGuardado(corrida.archivo)) == corrida.corrida)
        corrida.estado = CorridaHistorial::Vigente;
    else
        corrida.estado = CorridaHistorial::Reemplazada;
    return corrida;
}

} // namespace

ModeloHistorial::ModeloHistorial(Conexion& conexion, QObject* padre)
    : QAbstractTableModel(padre)
    , conexion_(conexion)
    , servidor_(conexion.DestinoServidor().has_value()) {}

void ModeloHistorial::Leer() {
    abierto_ = true;
    Releer();
}

void ModeloHistorial::Filtrar(const QString& texto) {
    patron_ = texto.isEmpty() ? QString() : Patron(texto);
    SinLanzar([this] { Releer(); });
}

void ModeloHistorial::sort(int columna, Qt::SortOrder orden) {
    // The view asks twice for each new order: once is enough.
    if (columna < 0 || columna >= columnCount() ||
        (abierto_ && columna == columna_ && orden == orden_))
        return;
    columna_ = Columna(columna);
    orden_ = orden;
    SinLanzar([this] { Releer(); });
}

bool ModeloHistorial::canFetchMore(const QModelIndex& padre) const {
    return !padre.isValid() && !fin_;
}

void ModeloHistorial::fetchMore(const QModelIndex& padre) {
    if (canFetchMore(padre))
        SinLanzar([this] { LeerPagina(); });
}

void ModeloHistorial::SinLanzar(const std::function<void()>& paso) {
    if (!abierto_)
        return;
    try {
        paso();
    } catch (const ErrorEjecucion& e) {
        fin_ = true;
        emit Fallo(e.Descripcion());
    } catch (const std::bad_alloc&) {
        fin_ = true;
        emit Fallo(TextosCorrida::MemoriaInsuficiente);
    }
}

void ModeloHistorial::Releer() {
    beginResetModel();
    filas_.clear();
    filas_.shrink_to_fit();
    clave_.clear();
    fin_ = true;
    endResetModel();
    // Read again each time: a run that ended meanwhile replaced another's rows.
    QHash<QString, QString> marcas;
    conexion_.Consultar(QStringLiteral("SELECT t_archivo, corrida FROM Corridas"),
                        [&](const QStringList& fila) {
                            marcas.insert(fila.value(0), fila.value(1));
                            return true;
                        });
    marcas_ = std::move(marcas);
    via_ = ElegirVia();
    if (via_ != Via::Ninguna)
        LeerPagina();
}

QString ModeloHistorial::Como() const {
    return servidor_ ? QStringLiteral(" ILIKE ? ESCAPE '!'") : QStringLiteral(" LIKE ? ESCAPE '!'");
}

// By the names that match: none, all, a few (whose rows the engine sorts
// through the file's index) or many (whose rows soon fill a page in order).
ModeloHistorial::Via ModeloHistorial::ElegirVia() {
    if (patron_.isEmpty())
        return Via::Todas;
    qint64 nombres = 0;
    qint64 coinciden = 0;
    qint64 filas = 0;
    conexion_.Consultar(kNombres % QStringLiteral("SELECT count(*), count(CASE WHEN a") % Como() %
                            QStringLiteral(" THEN 1 END), (SELECT max(id) FROM Historial) "
                                           "FROM nombres WHERE a IS NOT NULL"),
                        {patron_}, [&](const QStringList& fila) {
                            nombres = fila.value(0).toLongLong();
                            coinciden = fila.value(1).toLongLong();
                            filas = fila.value(2).toLongLong();
                            return false;
                        });
    if (nombres >= kMaximoNombres)
        return Via::Recorrido;
    if (coinciden == 0)
        return Via::Ninguna;
    if (coinciden == nombres)
        return Via::Todas;
    const double estimadas = double(coinciden) * double(filas) / double(nombres);
    const double balance = columna_ == ColFecha ? kBalanceFecha : kBalanceOtras;
    return estimadas * estimadas <= balance * double(filas) ? Via::Nombres : Via::Recorrido;
}

void ModeloHistorial::LeerPagina() {
    fin_ = true;
    const QList<Campo> claves = Claves(columna_);
    const bool descendente = orden_ == Qt::DescendingOrder;
    QStringList condiciones;
    QStringList valores;
    QString sql = kSeleccion;
    if (via_ == Via::Nombres) {
        sql = kNombres % kSeleccion;
        condiciones << QStringLiteral("archivo IN (SELECT a FROM nombres WHERE a") % Como() % u')';
        valores << patron_;
    } else if (via_ == Via::Recorrido) {
        condiciones << QStringLiteral("archivo") % Como();
        valores << patron_;
    }
    QStringList columnas;
    QStringList orden;
    for (const Campo campo : claves) {
        columnas << NombreCampo(campo);
        orden << NombreCampo(campo) % (descendente ? QStringLiteral(" DESC") : QString());
    }
    if (!clave_.isEmpty()) {
        condiciones
            << u'(' % columnas.join(QStringLiteral(", ")) %
                   (descendente ? QStringLiteral(") < (") : QStringLiteral(") > (")) %
                   QStringList(claves.size(), QStringLiteral("?")).join(QStringLiteral(", ")) %
                   u')';
        valores << clave_;
    }
    if (!condiciones.isEmpty())
        sql += QStringLiteral(" WHERE ") % condiciones.join(QStringLiteral(" AND "));
    sql += QStringLiteral(" ORDER BY ") % orden.join(QStringLiteral(", ")) %
           QStringLiteral(" LIMIT ") % QString::number(kPagina);

    std::vector<CorridaHistorial> nuevas;
    QStringList ultima;
    conexion_.Consultar(sql, valores, [&](const QStringList& fila) {
        nuevas.push_back(Convertir(fila, marcas_));
        ultima = fila;
        return true;
    });
    if (nuevas.empty())
        return;
    clave_.clear();
    for (const Campo campo : claves)
        clave_ << ultima[campo];
    const int primera = rowCount();
    beginInsertRows(QModelIndex(), primera, primera + int(nuevas.size()) - 1);
    filas_.insert(filas_.end(), std::make_move_iterator(nuevas.begin()),
                  std::make_move_iterator(nuevas.end()));
    endInsertRows();
    fin_ = nuevas.size() < std::size_t(kPagina);
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
