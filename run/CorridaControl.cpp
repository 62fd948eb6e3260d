#include "run/CorridaControl.h"

#include "platform/archivos/SistemaArchivos.h"
#include "platform/base/Conexion.h"
#include "platform/base/LiteralSQL.h"
#include "platform/proceso/Cantidad.h"
#include "platform/proceso/ErrorEjecucion.h"
#include "platform/proceso/Rutas.h"
#include "platform/proceso/TextoVisible.h"
#include "run/CadenaControl.h"
#include "run/Historial.h"
#include "run/Listado.h"
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
                 const AvanceCorrida& avance, LecturaArchivo& lectura, Guardar&& guardar) {
    const std::unique_ptr<FlujoTexto> flujo = sistema.OpenTextFile(
        ruta, SistemaArchivos::ForReading, false, SistemaArchivos::TristateFalse);
    lectura.tamano = flujo->Tamano();
    lectura.modificado = flujo->Modificado();
    // How far the read got, however it ends.
    const struct Anotar {
        LecturaArchivo& lectura;
        const FlujoTexto& flujo;
        ~Anotar() { lectura.lineas = flujo.NumeroLinea(); }
    } anotar{lectura, *flujo};
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
    lectura.sha256 = QString::fromLatin1(flujo->Sha256());
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

// The run's row in Corridas, then the delete of the file's earlier rows, under
// the run's cancel hook: the wait for another run of the same file and the
// delete of a large earlier run report progress too, and can be cancelled; on
// a server, so can the rows on their way to it, which a server that stopped
// answering holds up. The embedded engine keeps no hook then: it would pay
// for it on every row.
void Registrar(const Programa& programa, const QString& literalArchivo, const QString& corrida) {
    Conexion& conexion = *programa.gConexion();
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
                qint64& filas, LecturaArchivo& lectura) {
    QString sentencia;
    // The digests are taken on another thread while this one stores the lines.
    CadenaEnParalelo cadena(programa.BibliotecaMd5());
    const AvanceCorrida anotado = [&](const ProgresoCorrida& p) {
        return avance((ultimo = p));
    };
    return Recorrer(*programa.gSistemaArchivos(), cadena, ruta, avance ? anotado : avance, lectura,
                    [&](const QString& strLinea) {
                        Insercion(FormatoSQL(strLinea, tsTexto, true), literalArchivo, sentencia);
                        conexion.Execute(sentencia);
                        ++filas;
                    });
}

// What the history keeps of the file and of how far the run got.
void AnotarLectura(Historial::Fila& fila, const LecturaArchivo& lectura) {
    fila[Historial::Fin] = Historial::Momento(QDateTime::currentDateTimeUtc());
    fila[Historial::Tamano] = QString::number(lectura.tamano);
    fila[Historial::Modificado] =
        lectura.modificado.isValid() ? Historial::Momento(lectura.modificado) : QString();
    fila[Historial::Sha256] = lectura.sha256;
    fila[Historial::Lineas] = QString::number(lectura.lineas);
}

// The error being handled, as the history and the operator are told it.
ErrorEjecucion ErrorActual() {
    try {
        throw;
    } catch (const ErrorEjecucion& e) {
        return e;
    } catch (const std::bad_alloc&) {
        return ErrorEjecucion(7, TextosCorrida::MemoriaInsuficiente);
    } catch (const std::exception& e) {
        return ErrorEjecucion(Errores::ErrorAplicacion, QString::fromLocal8Bit(e.what()));
    }
}

// A failed or cancelled run's row, in a transaction of its own after the
// rollback. When even that fails (the database is gone), the run's own error
// is the one to report.
void AnotarFallo(Conexion& conexion, Historial::Fila& fila, const LecturaArchivo& lectura,
                 const ErrorEjecucion& error) {
    AnotarLectura(fila, lectura);
    const bool cancelada = error.Numero() == ErrorCorridaCancelada;
    fila[Historial::Resultado] = cancelada ? Historial::Cancelada : Historial::Fallida;
    // Whether the read got to the end before another thread failed is
    // chance: a run that did not complete names no bytes as processed.
    fila[Historial::Sha256] = QString();
    fila[Historial::Codigo] = QString();
    fila[Historial::Filas] = QStringLiteral("0");
    fila[Historial::ErrorNumero] = QString::number(error.Numero());
    fila[Historial::ErrorDescripcion] = error.Descripcion();
    try {
        conexion.BeginTrans();
        Historial::Agregar(conexion, fila);
        conexion.CommitTrans();
    } catch (...) {
        if (conexion.EnTransaccion()) {
            try {
                conexion.RollbackTrans();
            } catch (...) {
            }
        }
    }
}

// Undoes the run, records it, and raises again what stopped it, called from
// its handler; a cancelled run says so.
[[noreturn]] void Deshacer(Conexion& conexion, bool cancelada, Historial::Fila& fila,
                           const LecturaArchivo& lectura) {
    conexion.EstablecerAviso({});
    if (conexion.EnTransaccion()) {
        try {
            conexion.RollbackTrans();
        } catch (const ErrorEjecucion&) {
            // The first error is the one to report; the engine undoes the
            // transaction anyway when the connection closes.
        }
    }
    const ErrorEjecucion error =
        cancelada ? ErrorEjecucion(ErrorCorridaCancelada, TextosCorrida::Cancelada) : ErrorActual();
    AnotarFallo(conexion, fila, lectura, error);
    if (cancelada)
        throw error;
    // cppcheck-suppress rethrowNoCurrentException ; only ever called from a catch handler
    throw;
}

// The completed run's row, in the run's own transaction.
void AnotarCompletada(Conexion& conexion, Historial::Fila& fila, const LecturaArchivo& lectura,
                      const ResultadoCorrida& resultado) {
    AnotarLectura(fila, lectura);
    fila[Historial::Resultado] = Historial::Completada;
    fila[Historial::Codigo] = resultado.strHash;
    fila[Historial::Filas] = QString::number(resultado.filas);
    Historial::Agregar(conexion, fila);
}

} // namespace

ResultadoCorrida EjecutarCorrida(Programa& programa, const QString& ruta,
                                 const AvanceCorrida& avance) {
    if (!programa.gConexion() || !programa.gSistemaArchivos())
        throw ErrorSistema(Errores::ObjetoNoEstablecido);
    Conexion& conexion = *programa.gConexion();
    ResultadoCorrida resultado;
    resultado.strArchivo = NombreDeCorrida(programa, ruta);
    // The file's literal is the same on every row: written once.
    const QString literalArchivo = FormatoSQL(resultado.strArchivo, tsTexto, true);
    resultado.corrida = NuevaCorrida();
    Historial::Fila fila = Historial::Nueva(programa, ruta);
    // The history keys the run as Datos does.
    fila[Historial::Archivo] = NombreGuardado(resultado.strArchivo);
    fila[Historial::Corrida] = resultado.corrida;
    LecturaArchivo lectura;
    bool cancelada = false;
    ProgresoCorrida ultimo;
    // The run's cancel hook, from its first wait for a database another process holds.
    if (avance)
        conexion.EstablecerAviso([&] {
            cancelada = cancelada || !avance(ultimo);
            return !cancelada;
        });
    try {
        conexion.BeginTrans();
    } catch (...) {
        conexion.EstablecerAviso({});
        // Cancelled while another process held the database: the row would
        // wait for that same process.
        if (cancelada)
            throw ErrorEjecucion(ErrorCorridaCancelada, TextosCorrida::Cancelada);
        // An embedded database locked by other runs frees in the end: the
        // row waits for it once more. A server out of reach has nowhere to
        // take the row, and is not waited for twice.
        if (programa.EnServidor())
            throw;
        Deshacer(conexion, cancelada, fila, lectura);
    }
    try {
        Registrar(programa, literalArchivo, resultado.corrida);
        resultado.strHash = Guardar(programa, conexion, ruta, literalArchivo, avance, ultimo,
                                    resultado.filas, lectura);
        conexion.Execute(kCierreRegistro % CitarLiteral(resultado.strHash) % kFilas %
                         CitarLiteral(QString::number(resultado.filas)) % kDonde % literalArchivo);
        // A cancel asked for after the last report still comes before the commit.
        if (avance && !avance(ultimo))
            throw ErrorEjecucion(ErrorCorridaCancelada, TextosCorrida::Cancelada);
        AnotarCompletada(conexion, fila, lectura, resultado);
        // A commit stopped halfway would leave its outcome unknown.
        conexion.EstablecerAviso({});
        conexion.CommitTrans();
    } catch (...) {
        Deshacer(conexion, cancelada, fila, lectura);
    }
    return resultado;
}

QString NombreDeCorrida(const Programa& programa, const QString& ruta) {
    // A name that is not UTF-8 is stored, and listed, with its odd bytes as "\xFF".
    return NombreLegible(programa.gSistemaArchivos()->GetFileName(ruta));
}

QString CalcularCodigoControl(const Programa& programa, const QString& ruta,
                              LecturaArchivo* lectura) {
    SistemaArchivos sistema;
    CadenaControl cadena(programa.BibliotecaMd5());
    LecturaArchivo propia;
    return Recorrer(sistema, cadena, ruta, {}, lectura ? *lectura : propia, [](const QString&) {});
}

QString ProgresoCorrida::Lineas() const {
    return TextoCantidad(lineas);
}

QString MensajeErrorCorrida(int32_t numero, const QString& descripcion) {
    return QStringLiteral("Error ") % QString::number(numero) % QStringLiteral(" (") % descripcion %
           QStringLiteral(") in procedure cmdAceptar_Click of Formulario frmPrincipal");
}
