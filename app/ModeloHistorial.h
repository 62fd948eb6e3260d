#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class Conexion;

// One run attempt as the history dialog lists it.
struct CorridaHistorial {
    // Whether the run's rows are the ones its file's listing shows now.
    enum Estado : quint8 { Vigente, Reemplazada, Inconclusa };

    // Milliseconds since the epoch.
    qint64 inicio = 0;
    qint64 filas = 0;
    QString archivo;
    QString codigo;
    QString usuario;
    QString equipo;
    QString resultado;
    QString corrida;
    Estado estado = Inconclusa;
};

// The run history as a table, a row per run, read from the database a page
// at a time as the view scrolls down: the engine narrows by file name and
// sorts, so a history of a million runs opens as fast as one of ten and only
// the rows seen are held.
class ModeloHistorial : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Columna { ColFecha, ColArchivo, ColCodigo, ColFilas, ColUsuario, ColEquipo, ColResultado };

    ModeloHistorial(Conexion& conexion, QObject* padre);

    // The marks of the runs whose rows stand, then the first page, newest
    // first. Raises the database's error.
    void Leer();

    // The runs of the files whose name holds `texto`, in any case; all of
    // them when it is empty.
    void Filtrar(const QString& texto);

    Columna ColumnaOrden() const { return columna_; }
    Qt::SortOrder Orden() const { return orden_; }

    const CorridaHistorial& Corrida(int fila) const { return filas_[std::size_t(fila)]; }

    int rowCount(const QModelIndex& padre = QModelIndex()) const override;
    int columnCount(const QModelIndex& padre = QModelIndex()) const override;
    QVariant data(const QModelIndex& indice, int rol = Qt::DisplayRole) const override;
    QVariant headerData(int seccion, Qt::Orientation orientacion,
                        int rol = Qt::DisplayRole) const override;
    void sort(int columna, Qt::SortOrder orden) override;
    bool canFetchMore(const QModelIndex& padre) const override;
    void fetchMore(const QModelIndex& padre) override;

signals:
    // The database failed while the view asked for rows; what is shown stays.
    void Fallo(const QString& descripcion);

private:
    // How the file name narrows the rows: not at all, row by row in the
    // order shown, or through the few names that match.
    enum class Via { Todas, Ninguna, Recorrido, Nombres };

    QString Texto(const CorridaHistorial& corrida, int columna) const;
    // Reads the rows from the top again; raises the database's error.
    void Releer();
    // The next page after the last row read; raises the database's error.
    void LeerPagina();
    Via ElegirVia();
    // The engine's case-blind LIKE of one bound pattern.
    QString Como() const;
    // fetchMore's and sort's: the error told, never raised into the view.
    void SinLanzar(const std::function<void()>& paso);

    Conexion& conexion_;
    bool servidor_ = false;
    std::vector<CorridaHistorial> filas_;
    // The mark of the run whose rows stand, by the file's stored name.
    QHash<QString, QString> marcas_;
    Columna columna_ = ColFecha;
    Qt::SortOrder orden_ = Qt::DescendingOrder;
    // The LIKE pattern of the filter; empty, none.
    QString patron_;
    Via via_ = Via::Todas;
    // The sort's values and the id of the last row read: the next page
    // starts after them.
    QStringList clave_;
    bool fin_ = true;
    // Nothing is read before Leer: the view sorts once as it is set up.
    bool abierto_ = false;
};
