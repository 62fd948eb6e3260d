#include "run/ModoLotes.h"

#include "platform/archivos/CarpetaDatos.h"
#include "platform/base/Conexion.h"
#include "platform/proceso/Cantidad.h"
#include "platform/proceso/CapturaSenales.h"
#include "platform/proceso/ErrorEjecucion.h"
#include "platform/proceso/MotivoSistema.h"
#include "platform/proceso/TextoVisible.h"
#include "run/CorridaControl.h"
#include "run/Historial.h"
#include "run/LineaOrdenes.h"
#include "run/ListaHistorial.h"
#include "run/Listado.h"
#include "run/Programa.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QRegularExpression>

#include <cstdio>
#include <memory>

#include <unistd.h>

namespace {

// A busy database is waited for this long before the run fails: as long as a
// server that does not answer, so that runs queued behind each other on the
// embedded database take their turns.
constexpr int kEsperaBaseOcupada = 60000;
// A run shows its progress on a terminal after a second, four times a second.
constexpr qint64 kEsperaProgreso = 1000;
constexpr qint64 kIntervaloProgreso = 250;
// A listing reaches standard output in pieces of about this many characters.
constexpr qsizetype kTrozoSalida = 16384;

// Writes all of the text; false when the stream refused any of it.
bool Escribir(FILE* destino, const QString& texto) {
    const QByteArray bytes = texto.toLocal8Bit();
    const bool escrito =
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), destino) == size_t(bytes.size());
    return std::fflush(destino) == 0 && escrito && !std::ferror(destino);
}

int MalUso(const QString& motivo) {
    Escribir(stderr,
             QStringLiteral("cobranzia: ") + TextoVisible(motivo) + u'\n' + TextosLinea::Uso);
    return Lotes::Error;
}

int Fallo(const ErrorEjecucion& e) {
    // One line: a line break in a name would split the message.
    Escribir(stderr, QStringLiteral("cobranzia: ") + TextoVisible(e.Descripcion()) +
                         QStringLiteral(" (error %1)\n").arg(e.Numero()));
    return Lotes::Error;
}

// Standard output is where a script takes the code from: losing it is an error.
void Salida(const QString& texto) {
    if (!Escribir(stdout, texto))
        throw ErrorEjecucion(Errores::ErrorES, TextosLotes::SalidaFallida + MotivoSistema(errno));
}

QString LineaAnterior(const Historial::Fila& fila) {
    return TextosLotes::Anterior.arg(
        FechaLocal(fila[Historial::Inicio]), TextoVisible(fila[Historial::Archivo]),
        TextoVisible(fila[Historial::Usuario]), TextoVisible(fila[Historial::Equipo]),
        TextoVisible(fila[Historial::Codigo]));
}

// On a terminal, a run that lasts shows how far it went on standard error,
// on one line that it clears at the end; never in a script's file or pipe.
AvanceCorrida AvanceEnTerminal() {
    if (!isatty(STDERR_FILENO))
        return {};
    struct Estado {
        QElapsedTimer reloj;
        qint64 ultimo = 0;
        bool escrito = false;
        ~Estado() {
            if (escrito)
                Escribir(stderr, QStringLiteral("\r\x1B[K"));
        }
    };
    auto estado = std::make_shared<Estado>();
    estado->reloj.start();
    return [estado](const ProgresoCorrida& p) {
        const qint64 ahora = estado->reloj.elapsed();
        if (ahora < kEsperaProgreso || ahora - estado->ultimo < kIntervaloProgreso)
            return true;
        estado->ultimo = ahora;
        estado->escrito = true;
        QString texto = TextosLotes::Progreso.arg(p.Porcentaje()).arg(p.Lineas());
        if (const qint64 quedan = p.SegundosRestantes(ahora); quedan >= 0)
            texto += TextosLotes::Quedan.arg(TextoCantidad(quedan));
        Escribir(stderr, texto + QStringLiteral("\x1B[K"));
        return true;
    };
}

// Opens the chosen database as batch mode does: a busy one is waited for, and
// a data source that cannot be registered is only a warning.
void AbrirBase(Programa& programa) {
    if (const std::optional<QString> motivo = programa.Abrir(
            {.esperaOcupada = kEsperaBaseOcupada, .registrarSiempre = false, .lotes = true}))
        Escribir(stderr, QStringLiteral("cobranzia: ") + TextosPrograma::AvisoDsn + u' ' +
                             TextoVisible(*motivo) + u'\n');
}

int Procesar(Programa& programa, const LineaOrdenes& linea) {
    programa.Elegir(linea.datos, linea.servidor);
    if (linea.conListado)
        ComprobarDestinoListado(programa, linea.archivo, linea.listado);
    ResultadoCorrida corrida;
    {
        // A signal cancels the run as the window's button does: rolled back
        // and on record. Once the run is over it ends the process again.
        const CapturaSenales senales;
        try {
            AbrirBase(programa);
            const AvanceCorrida terminal = AvanceEnTerminal();
            corrida = EjecutarCorrida(programa, linea.archivo, [&](const ProgresoCorrida& p) {
                return CapturaSenales::Recibida() == 0 && (!terminal || terminal(p));
            });
        } catch (const ErrorEjecucion& e) {
            if (CapturaSenales::Recibida() == 0)
                throw;
            // Whatever wait it stopped, the signal is the reason.
            Fallo(e.Numero() == ErrorCorridaCancelada
                      ? e
                      : ErrorEjecucion(ErrorCorridaCancelada, TextosCorrida::Cancelada));
            return Lotes::PorSenal + CapturaSenales::Recibida();
        }
    }
    Salida(corrida.strHash + u'\n');
    // A signal that came while the run committed: the run stands, the listing is not written.
    if (CapturaSenales::Recibida() != 0)
        return Lotes::PorSenal + CapturaSenales::Recibida();
    if (!linea.conListado)
        return Lotes::Exito;
    try {
        EscribirListadoPdf(programa, corrida.strArchivo, corrida.strHash, corrida.corrida,
                           linea.listado);
    } catch (const ErrorEjecucion& e) {
        throw ErrorEjecucion(e.Numero(),
                             TextosLotes::ListadoFallido.arg(corrida.strHash, e.Descripcion()));
    }
    return Lotes::Exito;
}

// The earlier completed runs of a file with these same bytes, from the
// history of the chosen database; a database that does not exist yet has no
// runs, and is not made for this.
QString ListaAnteriores(Programa& programa, const LineaOrdenes& linea, const QString& sha256) {
    programa.Elegir(linea.datos, linea.servidor, false);
    if (!programa.EnServidor() && !EsArchivoOrdinario(programa.BaseDatos()))
        return QString();
    programa.AbrirConexion(kEsperaBaseOcupada);
    Historial::Filtro mismo;
    mismo.sha256 = sha256;
    mismo.completadas = true;
    QString lista;
    Historial::Leer(*programa.gConexion(), mismo, [&](const Historial::Fila& fila) {
        lista += LineaAnterior(fila);
        return true;
    });
    return lista;
}

// The verification stands without the history: a database that cannot be
// read is one line on standard error.
void CorridasAnteriores(Programa& programa, const LineaOrdenes& linea, const QString& sha256) {
    QString lista;
    try {
        lista = ListaAnteriores(programa, linea, sha256);
    } catch (const std::exception& e) {
        // The run-time error's text is its description, in UTF-8.
        Escribir(stderr, TextosLotes::SinHistorial.arg(TextoVisible(QString::fromUtf8(e.what()))));
        return;
    }
    Salida(lista.isEmpty() ? TextosLotes::NingunaAnterior : TextosLotes::Anteriores + lista);
}

int Verificar(Programa& programa, const LineaOrdenes& linea) {
    static const QRegularExpression kCodigo(QStringLiteral("^[0-9A-Fa-f]{32}$"));
    // As `$(cat codigo.txt)` or a here-string hands it over, line break included.
    const QString codigo = linea.codigo.trimmed();
    if (!kCodigo.match(codigo).hasMatch())
        return MalUso(TextosLotes::NoEsCodigo.arg(linea.codigo));
    LecturaArchivo lectura;
    const QString calculado = CalcularCodigoControl(programa, linea.archivo, &lectura);
    const bool igual = calculado.compare(codigo, Qt::CaseInsensitive) == 0;
    Salida(TextosLotes::Comparacion.arg(codigo.toUpper(), calculado,
                                        igual ? TextosLotes::Coincide : TextosLotes::NoCoincide));
    CorridasAnteriores(programa, linea, lectura.sha256);
    return igual ? Lotes::Exito : Lotes::CodigoDistinto;
}

// The history's rows that pass `filtro`, out in pieces as they are read; a
// damaged row is told on standard error as it comes.
int Listar(Conexion& conexion, const Historial::Filtro& filtro, FormatoHistorial formato) {
    QString trozo;
    const qint64 danadas = ListarHistorial(
        conexion, filtro, formato,
        [&](const QString& texto) {
            trozo += texto;
            if (trozo.size() >= kTrozoSalida) {
                Salida(trozo);
                trozo.clear();
            }
        },
        [](const QString& aviso) {
            Escribir(stderr, QStringLiteral("cobranzia: ") + aviso + u'\n');
        });
    Salida(trozo);
    return danadas == 0 ? Lotes::Exito : Lotes::FilasDanadas;
}

int Comprobar(Conexion& conexion) {
    const Historial::Comprobacion comprobacion = Historial::Comprobar(conexion);
    if (comprobacion.Rota().isEmpty()) {
        Salida(TextosLotes::CadenaIntacta.arg(TextoCantidad(comprobacion.filas)));
        return Lotes::Exito;
    }
    const Historial::Fila& fila = comprobacion.fila;
    Salida(TextosLotes::CadenaRota.arg(TextoVisible(comprobacion.Rota()),
                                       FechaLocal(fila[Historial::Inicio]),
                                       TextoVisible(fila[Historial::Archivo])));
    return Lotes::CadenaRota;
}

int VerHistorial(Programa& programa, const LineaOrdenes& linea) {
    // Reading the history makes nothing: no folder, no database.
    programa.Elegir(linea.datos, linea.servidor, false);
    if (!programa.EnServidor() && !EsArchivoOrdinario(programa.BaseDatos()))
        throw ErrorEjecucion(Errores::AccesoRuta, TextosLotes::SinBase.arg(programa.BaseDatos()));
    AbrirBase(programa);
    Conexion& conexion = *programa.gConexion();
    if (linea.comprobar)
        return Comprobar(conexion);
    Historial::Filtro filtro;
    if (!linea.archivo.isNull())
        filtro.archivo = NombreGuardado(NombreDeCorrida(programa, linea.archivo));
    if (linea.desde.isValid())
        filtro.desde = Historial::Momento(linea.desde.startOfDay());
    // The day after 9999-12-31 would be written with five digits, and sort first.
    if (linea.hasta.isValid() && linea.hasta.addDays(1).year() <= 9999)
        filtro.hasta = Historial::Momento(linea.hasta.addDays(1).startOfDay());
    return Listar(conexion, filtro, FormatoDeNombre(linea.formato));
}

} // namespace

std::unique_ptr<QCoreApplication> CrearAplicacionLotes(int& argc, char** argv,
                                                       const LineaOrdenes& linea) {
    if (!linea.conListado || linea.modo != LineaOrdenes::Modo::Procesar)
        return std::make_unique<QCoreApplication>(argc, argv);
    // The listing is drawn with fonts, which only a graphical application
    // has; the offscreen platform needs no display, whatever the session says.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QGuiApplication>(argc, argv);
}

void SilenciarAvisosDeQt() {
    // Standard error carries the program's own errors only: a script reads it.
    qInstallMessageHandler([](QtMsgType tipo, const QMessageLogContext&, const QString& texto) {
        if (tipo == QtCriticalMsg || tipo == QtFatalMsg)
            Escribir(stderr, TextoVisible(texto) + u'\n');
    });
}

int EjecutarModoLotes(Programa& programa, const LineaOrdenes& linea) {
    try {
        switch (linea.modo) {
        case LineaOrdenes::Modo::Ayuda:
            Salida(TextosLotes::Ayuda);
            return Lotes::Exito;
        case LineaOrdenes::Modo::Version:
            Salida(QStringLiteral("cobranzia %1\n").arg(QCoreApplication::applicationVersion()));
            return Lotes::Exito;
        case LineaOrdenes::Modo::Verificar:
            return Verificar(programa, linea);
        case LineaOrdenes::Modo::Procesar:
            return Procesar(programa, linea);
        case LineaOrdenes::Modo::Historial:
            return VerHistorial(programa, linea);
        default:
            return MalUso(linea.error);
        }
    } catch (const ErrorEjecucion& e) {
        return Fallo(e);
    } catch (const std::bad_alloc&) {
        return Fallo(ErrorEjecucion(7, TextosCorrida::MemoriaInsuficiente));
    }
}
