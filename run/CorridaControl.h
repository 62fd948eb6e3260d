#pragma once

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <functional>

class Programa;

// What a run leaves: the file's name as the listing receives it, its control
// code (empty for a file without lines), how many rows it stored, and the mark
// that Corridas keeps for its rows until a later run of the same name.
struct ResultadoCorrida {
    QString strArchivo;
    QString strHash;
    qint64 filas = 0;
    QString corrida;
};

// What a run learned of its file, filled in as it reads, so that a run that
// stops half-way still tells how far it got.
struct LecturaArchivo {
    qint64 tamano = 0;
    QDateTime modificado;
    qint64 lineas = 0;
    // The SHA-256 of the file's bytes, taken during the same read; empty
    // until the file has been read whole.
    QString sha256;
};

// How far a run has gone: the lines read, and the bytes they took of the
// file's size.
struct ProgresoCorrida {
    qint64 lineas = 0;
    qint64 leidos = 0;
    qint64 tamano = 0;

    // The lines read, as a Spanish reader writes the number ("1.000.000").
    QString Lineas() const;
    // The share of the file read, in percent.
    qint64 Porcentaje() const { return tamano > 0 ? leidos * 100 / tamano : 0; }
    // The whole seconds left at the pace of the `transcurrido` milliseconds
    // so far; -1 while there is no pace yet, or nothing left.
    qint64 SegundosRestantes(qint64 transcurrido) const {
        if (leidos <= 0 || tamano <= leidos)
            return -1;
        return (transcurrido * (tamano - leidos) / leidos + 999) / 1000;
    }
};
// Told every few thousand lines; returning false cancels the run.
using AvanceCorrida = std::function<bool(const ProgresoCorrida&)>;

// The control-code run on the file at `ruta`, on the program's connection and
// file-system object: the rows of the file's name in Datos are replaced by its
// detail lines, and every line enters the chained MD5.
//
// All of it happens in one transaction, the run's row in the history too:
// when anything fails (the file, the database, the md5 library) the
// transaction is rolled back, so the rows stored before the run stay exactly
// as they were; the history then gets the failed or cancelled run's row in a
// transaction of its own, and the error is raised again.
// Raises error 91 when the program has no connection or file-system object,
// and ErrorCorridaCancelada, after the rollback, when `avance` cancels it.
ResultadoCorrida EjecutarCorrida(Programa& programa, const QString& ruta,
                                 const AvanceCorrida& avance = {});

// The name of the file at `ruta` as a run shows it: the path's last
// component, legible (NombreLegible). Its rows, its mark and its history
// row are stored under that name trimmed (NombreGuardado). Needs the
// file-system object.
QString NombreDeCorrida(const Programa& programa, const QString& ruta);

// The control code of the file at `ruta`, without touching any database;
// what the read learned of the file goes to `lectura` when given.
QString CalcularCodigoControl(const Programa& programa, const QString& ruta,
                              LecturaArchivo* lectura = nullptr);

// The statements of the run, exactly as they are sent.
QString SentenciaBorrado(const QString& strArchivo);
QString SentenciaInsercion(const QString& strLinea, const QString& strArchivo);

// A line holding a NUL byte is not text: the run refuses the file.
inline constexpr int32_t ErrorLineaConNulo = -2147221504 + 701;
// The file changed while the run read it: the run stores nothing.
inline constexpr int32_t ErrorArchivoCambiado = -2147221504 + 702;
// The operator cancelled the run: nothing changed.
inline constexpr int32_t ErrorCorridaCancelada = -2147221504 + 703;

namespace TextosCorrida {
inline const QString MemoriaInsuficiente = QStringLiteral("Memoria insuficiente");
inline const QString LineaConNulo =
    QStringLiteral("La línea %1 del archivo %2 contiene bytes nulos: no es un archivo de texto");
inline const QString Cambiado = QStringLiteral(
    "El archivo %1 cambió mientras se leía: vuelva a procesarlo cuando esté completo");
inline const QString Cancelada =
    QStringLiteral("Se canceló el proceso del archivo: la base de datos quedó como estaba.");
} // namespace TextosCorrida

// "Error N (description) in procedure cmdAceptar_Click of Formulario frmPrincipal".
QString MensajeErrorCorrida(int32_t numero, const QString& descripcion);
