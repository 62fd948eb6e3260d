#pragma once

#include <QAbstractTableModel>
#include <QString>

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

// The run history as a table, a row per run, in the order read. The sort role
// gives the time and the row count as numbers.
class ModeloHistorial : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Columna { ColFecha, ColArchivo, ColCodigo, ColFilas, ColUsuario, ColEquipo, ColResultado };
    static constexpr int RolOrden = Qt::UserRole;

    ModeloHistorial(std::vector<CorridaHistorial> filas, QObject* padre);

    // Every row of the history, newest first, each with its state against
    // the marks in Corridas. Raises the database's error.
    static std::vector<CorridaHistorial> Leer(Conexion& conexion);

    const CorridaHistorial& Corrida(int fila) const { return filas_[std::size_t(fila)]; }

    int rowCount(const QModelIndex& padre = QModelIndex()) const override;
    int columnCount(const QModelIndex& padre = QModelIndex()) const override;
    QVariant data(const QModelIndex& indice, int rol = Qt::DisplayRole) const override;
    QVariant headerData(int seccion, Qt::Orientation orientacion,
                        int rol = Qt::DisplayRole) const override;

private:
    QString Texto(const CorridaHistorial& corrida, int columna) const;

    std::vector<CorridaHistorial> filas_;
};
