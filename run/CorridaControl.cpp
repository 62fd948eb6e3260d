#include "run/CorridaControl.h"

#include "platform/archivos/SistemaArchivos.h"
#include "platform/base/Conexion.h"
#include "platform/base/LiteralSQL.h"
#include "platform/proceso/Cantidad.h"
#include "platform/proceso/ErrorEjecucion.h"
#include "platform/proceso/Rutas.h"
#include "platform/proceso/TextoVisible.h"
#include "run/CadenaControl.h"
#include "run/Programa.h"
#include "util/FormatoSQL.h"
#include "util/Recorte.h"

#include <QRandomGenerator>
#include <QStringBuilder>

namespace {

const QString kBorrado = QStringLiteral(" DELETE FROM Datos ");
const QString kDonde = QStringLiteral(" WHERE t_archivo = ");
const QString kInsercion = QStringLiteral(" INSERT INTO Datos (t_datos, t_archivo) ");
const QString kValores = QStringLiteral(" VALUES (");
const QString kSeparador = QStringLiteral(", ");
const QString kCierre = QStringLiteral(") ");
// The run's row in Corridas, written first: on a server it makes runs of the
// same file wait for each other, and the listing reads only this run's rows.
const QString kRegistro = QStringLiteral(" INSERT INTO Corridas (t_archivo, corrida) VALUES (");
const QString kRegistroFin = QStringLiteral(
    ") ON CONFLICT (t_archivo) DO UPDATE SET corrida = excluded.corrida, codigo = Null, "
    "filas = Null");
const QString kCierreRegistro = QStringLiteral(" UPDATE Corridas SET codigo = ");
const QString kFilas = QStringLiteral(", filas = ");

bool EsLineaDeControl(QStringView strLinea) {
    return !strLinea.isEmpty() && (strLinea.front() == u'T' || strLinea.front() == u'H');
}

// Lines between two reports of progress: few enough to report often, many
// enough to cost nothing.
constexpr qint64 kLineasPorAviso = 4096;

// Walks every line of the file: `guardar` receives each detail line, trimmed;
// every line enters the chain. Returns the control code.
template <typename Cadena, typename Guardar>
QString Recorrer(SistemaArchivos& sistema, Cadena& cadena, const QString& ruta,
                 const AvanceCorrida& avance, Guardar&& guardar) {
    const std::unique_ptr<FlujoTexto> flujo = sistema.OpenTextFile(
        ruta, SistemaArchivos::ForReading, false, SistemaArchivos::TristateFalse);
    QString strLinea;
    QString texto;
    while (!flujo->AtEndOfStream()) {
        strLinea = flujo->ReadLine();
        if (strLinea.contains(QChar(0)))
            throw ErrorEjecucion(ErrorLineaConNulo,
                                 TextosCorrida::LineaConNulo.arg(
                                     TextoCantidad(flujo->NumeroLinea()), TextoVisible(ruta)));
        QuitarEspacios(strLinea);
        // The code is over the line's own bytes; a UTF-8 file stores its text.
        if (flujo->TextoPropio()) {
            texto = flujo->Texto();
            QuitarEspacios(texto);
        } else {
            texto = strLinea;
        }
        if (!EsLineaDeControl(texto))
            guardar(texto);
        cadena.Agregar(strLinea);
        if (avance && flujo->NumeroLinea() % kLineasPorAviso == 0 &&
            !avance({flujo->NumeroLinea(), flujo->Consumidos(), flujo->Tamano()}))
            throw ErrorEjecucion(ErrorCorridaCancelada, TextosCorrida::Cancelada);
    }
    // A file written to while it was read gave part of one version and part
    // of another: neither its rows nor its code are the file's.
    if (flujo->Cambiado())
        throw ErrorEjecucion(ErrorArchivoCambiado, TextosCorrida::Cambiado.arg(TextoVisible(ruta)));
    return cadena.Codigo();
}

QString Borrado(const QString& literalArchivo) {
    return kBorrado % kDonde % literalArchivo;
}

// Writes the insert into `sentencia`, whose buffer serves every line of a run.
void Insercion(const QString& literalLinea, const QString& literalArchivo, QString& sentencia) {
    sentencia.resize(0);
    sentencia += kInsercion % kValores % literalLinea % kSeparador % literalArchivo % kCierre;
}

} // namespace

QString SentenciaBorrado(const QString& strArchivo) {
    return Borrado(FormatoSQL(strArchivo, tsTexto, true));
}

QString SentenciaInsercion(const QString& strLinea, const QString& strArchivo) {
    QString sentencia;
    Insercion(FormatoSQL(strLinea, tsTexto, true), FormatoSQL(strArchivo, tsTexto, true),
              sentencia);
    return sentencia;
}

namespace {

QString NuevaCorrida() {
    return QString::number(QRandomGenerator::system()->generate64() >> 1);
}

} // namespace

namespace {

// The run's row in Corridas, then the delete of the file's earlier rows. The
// wait for another run of the same file and the delete of a large earlier run
// report progress too, and can be cancelled; on a server, so can the rows on
// their way to it, which a server that stopped answering holds up. The
// embedded engine keeps no hook then: it would pay for it on every row.
void Registrar(const Programa& programa, const QString& literalArchivo, const QString& corrida,
               const AvanceCorrida& avance, const ProgresoCorrida& ultimo, bool& cancelada) {
    Conexion& conexion = *programa.gConexion();
    if (avance)
        conexion.EstablecerAviso([&] {
            cancelada = cancelada || !avance(ultimo);
            return !cancelada;
        });
    conexion.Execute(kRegistro % literalArchivo % kSeparador % CitarLiteral(corrida) %
                     kRegistroFin);
    conexion.Execute(Borrado(literalArchivo));
    if (!programa.EnServidor())
        conexion.EstablecerAviso({});
}

// Stores the file's detail lines; returns its control code. `ultimo` keeps
// the progress last reported, for the hook to tell while the server stalls.
QString Guardar(const Programa& programa, Conexion& conexion, const QString& ruta,
                const QString& literalArchivo, const AvanceCorrida& avance, ProgresoCorrida& ultimo,
                qint64& filas) {
    QString sentencia;
    // The digests are taken on another thread while this one stores the lines.
    CadenaEnParalelo cadena(programa.BibliotecaMd5());
    const AvanceCorrida anotado = [&](const ProgresoCorrida& p) {
        return avance((ultimo = p));
    };
    return Recorrer(*programa.gSistemaArchivos(), cadena, ruta, avance ? anotado : avance,
                    [&](const QString& strLinea) {
                        Insercion(FormatoSQL(strLinea, tsTexto, true), literalArchivo, sentencia);
                        conexion.Execute(sentencia);
                        ++filas;
                    });
}

// Undoes the run and raises again what stopped it, called from its handler;
// a cancelled run says so.
[[noreturn]] void Deshacer(Conexion& conexion, bool cancelada) {
    conexion.EstablecerAviso({});
    if (conexion.EnTransaccion()) {
        try {
            conexion.RollbackTrans();
        } catch (const ErrorEjecucion&) {
            // The first error is the one to report; the engine undoes the
            // transaction anyway when the connection closes.
        }
    }
    if (cancelada)
        throw ErrorEjecucion(ErrorCorridaCancelada, TextosCorrida::Cancelada);
    throw;
}

} // namespace

ResultadoCorrida EjecutarCorrida(Programa& programa, const QString& ruta,
                                 const AvanceCorrida& avance) {
    if (!programa.gConexion() || !programa.gSistemaArchivos())
        throw ErrorSistema(Errores::ObjetoNoEstablecido);
    Conexion& conexion = *programa.gConexion();
    ResultadoCorrida resultado;
    // A name that is not UTF-8 is stored, and listed, with its odd bytes as "\xFF".
    resultado.strArchivo = NombreLegible(programa.gSistemaArchivos()->GetFileName(ruta));
    // The file's literal is the same on every row: written once.
    const QString literalArchivo = FormatoSQL(resultado.strArchivo, tsTexto, true);
    resultado.corrida = NuevaCorrida();
    bool cancelada = false;
    ProgresoCorrida ultimo;
    conexion.BeginTrans();
    try {
        Registrar(programa, literalArchivo, resultado.corrida, avance, ultimo, cancelada);
        resultado.strHash =
            Guardar(programa, conexion, ruta, literalArchivo, avance, ultimo, resultado.filas);
        conexion.Execute(kCierreRegistro % CitarLiteral(resultado.strHash) % kFilas %
                         CitarLiteral(QString::number(resultado.filas)) % kDonde % literalArchivo);
        // A commit stopped halfway would leave its outcome unknown.
        conexion.EstablecerAviso({});
        conexion.CommitTrans();
    } catch (...) {
        Deshacer(conexion, cancelada);
    }
    return resultado;
}

QString CalcularCodigoControl(const Programa& programa, const QString& ruta) {
    SistemaArchivos sistema;
    CadenaControl cadena(programa.BibliotecaMd5());
    return Recorrer(sistema, cadena, ruta, {}, [](const QString&) {});
}

QString ProgresoCorrida::Lineas() const {
    return TextoCantidad(lineas);
}

QString MensajeErrorCorrida(int32_t numero, const QString& descripcion) {
    return QStringLiteral("Error ") % QString::number(numero) % QStringLiteral(" (") % descripcion %
           QStringLiteral(") in procedure cmdAceptar_Click of Formulario frmPrincipal");
}
