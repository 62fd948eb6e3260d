#include "run/CorridaControl.h"

#include "hash/CHash.h"
#include "platform/Conexion.h"
#include "platform/ErrorEjecucion.h"
#include "platform/SistemaArchivos.h"
#include "util/FormatoSQL.h"
#include "util/Recorte.h"

#include <QStringBuilder>

namespace {

const QString kBorrado = QStringLiteral(" DELETE FROM Datos ");
const QString kDonde = QStringLiteral(" WHERE t_archivo = ");
const QString kInsercion = QStringLiteral(" INSERT INTO Datos (t_datos, t_archivo) ");
const QString kValores = QStringLiteral(" VALUES (");
const QString kSeparador = QStringLiteral(", ");
const QString kCierre = QStringLiteral(") ");

bool EsLineaDeControl(QStringView strLinea) {
    return !strLinea.isEmpty() &&
           (strLinea.front() == QLatin1Char('T') || strLinea.front() == QLatin1Char('H'));
}

// Walks every line of the file: `guardar` receives each detail line, trimmed;
// every line enters the chain. Returns the control code.
template <typename Guardar>
QString Recorrer(SistemaArchivos& sistema, const QString& ruta, Guardar&& guardar) {
    const std::unique_ptr<FlujoTexto> flujo = sistema.OpenTextFile(
        ruta, SistemaArchivos::ForReading, false, SistemaArchivos::TristateFalse);
    CHash hasher;
    QString strHash;
    QString strLinea;
    while (!flujo->AtEndOfStream()) {
        const QString leida = flujo->ReadLine();
        if (leida.contains(QChar(0)))
            throw ErrorEjecucion(
                ErrorLineaConNulo,
                QStringLiteral("La línea %1 del archivo %2 contiene bytes nulos: no es un "
                               "archivo de texto")
                    .arg(flujo->NumeroLinea())
                    .arg(ruta));
        strLinea = RecortarEspacios(leida).toString();
        if (!EsLineaDeControl(strLinea))
            guardar(strLinea);
        strLinea += strHash;
        strHash = hasher.MD5String(strLinea).toUpper();
    }
    return strHash;
}

} // namespace

namespace {

QString Borrado(const QString& literalArchivo) {
    return kBorrado % kDonde % literalArchivo;
}

QString Insercion(const QString& literalLinea, const QString& literalArchivo) {
    return kInsercion % kValores % literalLinea % kSeparador % literalArchivo % kCierre;
}

} // namespace

QString SentenciaBorrado(const QString& strArchivo) {
    return Borrado(FormatoSQL(strArchivo, tsTexto, true));
}

QString SentenciaInsercion(const QString& strLinea, const QString& strArchivo) {
    return Insercion(FormatoSQL(strLinea, tsTexto, true), FormatoSQL(strArchivo, tsTexto, true));
}

ResultadoCorrida EjecutarCorrida(Conexion& conexion, SistemaArchivos& sistema,
                                 const QString& ruta) {
    ResultadoCorrida resultado;
    resultado.strArchivo = sistema.GetFileName(ruta);
    // The file's literal is the same on every row: written once.
    const QString literalArchivo = FormatoSQL(resultado.strArchivo, tsTexto, true);

    conexion.BeginTrans();
    try {
        conexion.Execute(Borrado(literalArchivo));
        resultado.strHash = Recorrer(sistema, ruta, [&](const QString& strLinea) {
            conexion.Execute(Insercion(FormatoSQL(strLinea, tsTexto, true), literalArchivo));
            ++resultado.filas;
        });
        conexion.CommitTrans();
    } catch (...) {
        if (conexion.EnTransaccion()) {
            try {
                conexion.RollbackTrans();
            } catch (const ErrorEjecucion&) {
                // The first error is the one to report; the engine undoes the
                // transaction anyway when the connection closes.
            }
        }
        throw;
    }
    return resultado;
}

QString CalcularCodigoControl(SistemaArchivos& sistema, const QString& ruta) {
    return Recorrer(sistema, ruta, [](const QString&) {});
}

QString MensajeErrorCorrida(int32_t numero, const QString& descripcion) {
    return QStringLiteral("Error ") + QString::number(numero) + QStringLiteral(" (") + descripcion +
           QString::fromUtf8(TextosCorrida::ProcedimientoAceptar);
}
