#pragma once

#include <QString>

#include <cstdint>

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

// The control-code run on the file at `ruta`, on the program's connection and
// file-system object: the rows of the file's name in Datos are replaced by its
// detail lines, and every line enters the chained MD5.
//
// All of it happens in one transaction: when anything fails (the file, the
// database, the md5 library) the transaction is rolled back, so the rows stored
// before the run stay exactly as they were, and the error is raised again.
// Raises error 91 when the program has no connection or file-system object.
ResultadoCorrida EjecutarCorrida(Programa& programa, const QString& ruta);

// The control code of the file at `ruta`, without touching any database.
QString CalcularCodigoControl(const Programa& programa, const QString& ruta);

// The statements of the run, exactly as they are sent.
QString SentenciaBorrado(const QString& strArchivo);
QString SentenciaInsercion(const QString& strLinea, const QString& strArchivo);

// A line holding a NUL byte is not text: the run refuses the file.
inline constexpr int32_t ErrorLineaConNulo = -2147221504 + 701;
// The file changed while the run read it: the run stores nothing.
inline constexpr int32_t ErrorArchivoCambiado = -2147221504 + 702;

// "Error N (description) in procedure cmdAceptar_Click of Formulario frmPrincipal".
QString MensajeErrorCorrida(int32_t numero, const QString& descripcion);
