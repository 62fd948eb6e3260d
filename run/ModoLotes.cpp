#include "run/ModoLotes.h"

#include "dsn/CrearDSNListado.h"
#include "platform/Conexion.h"
#include "platform/ErrorEjecucion.h"
#include "run/CorridaControl.h"
#include "run/Listado.h"
#include "run/Programa.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdio>

namespace {

// A busy database is waited for this long before the run fails.
constexpr int kEsperaBaseOcupada = 10000;

const QString kAvisoDsn = QStringLiteral("No se pudo crear el DSN para el listado.");

const QString kUso = QStringLiteral("Uso: cobranzia --procesar ARCHIVO [--listado SALIDA.pdf]\n"
                                    "     cobranzia --verificar CODIGO ARCHIVO\n"
                                    "     cobranzia --help | --version\n");

const QString kAyuda = QStringLiteral(
    "Cobranzia: código de control de archivos de débitos.\n\n"
    "Sin argumentos abre la ventana del programa.\n\n"
    "  --procesar ARCHIVO        guarda las líneas de detalle de ARCHIVO en la base de datos\n"
    "                            del programa e imprime su código de control\n"
    "  --listado SALIDA.pdf      con --procesar, escribe además el listado en SALIDA.pdf\n"
    "  --verificar CODIGO ARCHIVO\n"
    "                            calcula el código de control de ARCHIVO sin tocar la base;\n"
    "                            estado 0 si coincide con CODIGO, 1 si no\n"
    "  --help                    muestra esta ayuda\n"
    "  --version                 muestra la versión\n\n"
    "Estado de salida: 0 bien, 1 código distinto (--verificar), 2 error.\n");

void Escribir(FILE* destino, const QString& texto) {
    std::fputs(texto.toLocal8Bit().constData(), destino);
    std::fflush(destino);
}

int MalUso(const QString& motivo) {
    Escribir(stderr, QStringLiteral("cobranzia: %1\n").arg(motivo) + kUso);
    return Lotes::Error;
}

int Fallo(const ErrorEjecucion& e) {
    Escribir(stderr, MensajeErrorCorrida(e.Numero(), e.Descripcion()) + QLatin1Char('\n'));
    return Lotes::Error;
}

int Procesar(Programa& programa, const QString& archivo, const QString& salidaPdf) {
    programa.gSistemaArchivos = std::make_unique<SistemaArchivos>();
    programa.gConexion = std::make_unique<Conexion>();
    programa.gConexion->SetConnectionString(programa.CadenaConexion());
    programa.gConexion->Open();
    programa.gConexion->EstablecerEsperaOcupada(kEsperaBaseOcupada);

    QString motivo;
    if (!CrearDSNListado(programa.RutaDatos(), motivo))
        Escribir(stderr, kAvisoDsn + u'\n' + motivo + u'\n');

    ResultadoCorrida corrida = EjecutarCorrida(programa, archivo);
    Escribir(stdout, corrida.strHash + u'\n');
    if (!salidaPdf.isEmpty())
        EscribirListadoPdf(programa, corrida.strArchivo, corrida.strHash, salidaPdf);
    return Lotes::Exito;
}

int Verificar(const Programa& programa, const QString& codigo, const QString& archivo) {
    const QString calculado = CalcularCodigoControl(programa, archivo);
    const bool igual = calculado.compare(codigo.trimmed(), Qt::CaseInsensitive) == 0;
    Escribir(stdout, QStringLiteral("esperado:  %1\ncalculado: %2\n%3\n")
                         .arg(codigo.trimmed(), calculado,
                              igual ? QStringLiteral("El código de control coincide.")
                                    : QStringLiteral("El código de control NO coincide.")));
    return igual ? Lotes::Exito : Lotes::CodigoDistinto;
}

} // namespace

bool EsModoLotes(int argc, char** /*argv*/) {
    return argc > 1;
}

std::unique_ptr<QCoreApplication> CrearAplicacionLotes(int& argc, char** argv) {
    bool listado = false;
    for (int i = 1; i < argc; ++i)
        listado = listado || qstrcmp(argv[i], "--listado") == 0;
    if (!listado)
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
            Escribir(stderr, texto + u'\n');
    });
}

int EjecutarModoLotes(Programa& programa, const QStringList& argumentos) {
    const QStringList args = argumentos.mid(1);
    try {
        if (args == QStringList{QStringLiteral("--help")} ||
            args == QStringList{QStringLiteral("-h")}) {
            Escribir(stdout, kAyuda);
            return Lotes::Exito;
        }
        if (args == QStringList{QStringLiteral("--version")}) {
            Escribir(stdout,
                     QStringLiteral("cobranzia %1\n").arg(QCoreApplication::applicationVersion()));
            return Lotes::Exito;
        }
        if (!args.isEmpty() && args.front() == QLatin1String("--verificar")) {
            if (args.size() != 3)
                return MalUso(QStringLiteral("--verificar necesita un CODIGO y un ARCHIVO"));
            return Verificar(programa, args.at(1), args.at(2));
        }
        if (!args.isEmpty() && args.front() == QLatin1String("--procesar")) {
            if (args.size() == 2)
                return Procesar(programa, args.at(1), QString());
            if (args.size() == 4 && args.at(2) == QLatin1String("--listado"))
                return Procesar(programa, args.at(1), args.at(3));
            return MalUso(
                QStringLiteral("--procesar necesita un ARCHIVO, y --listado una SALIDA.pdf"));
        }
        return MalUso(
            QStringLiteral("argumentos no reconocidos: %1").arg(args.join(QLatin1Char(' '))));
    } catch (const ErrorEjecucion& e) {
        return Fallo(e);
    } catch (const std::bad_alloc&) {
        return Fallo(ErrorEjecucion(7, QStringLiteral("Memoria insuficiente")));
    }
}
