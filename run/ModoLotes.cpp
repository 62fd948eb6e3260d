#include "run/ModoLotes.h"

#include "app/modGral.h"
#include "dsn/CrearDSNListado.h"
#include "platform/Conexion.h"
#include "platform/ErrorEjecucion.h"
#include "platform/Programa.h"
#include "platform/SistemaArchivos.h"
#include "run/CorridaControl.h"
#include "run/ListadoPdf.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

// A busy database is waited for this long before the run fails.
constexpr int kEsperaBaseOcupada = 10000;

constexpr char kUso[] = "Uso: cobranzia --procesar ARCHIVO [--listado SALIDA.pdf]\n"
                        "     cobranzia --verificar CODIGO ARCHIVO\n"
                        "     cobranzia --help | --version\n";

constexpr char kAyuda[] =
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
    "Estado de salida: 0 bien, 1 código distinto (--verificar), 2 error.\n";

void Escribir(FILE* destino, const QString& texto) {
    std::fputs(texto.toLocal8Bit().constData(), destino);
    std::fflush(destino);
}

int MalUso(const QString& motivo) {
    Escribir(stderr, QStringLiteral("cobranzia: %1\n").arg(motivo) + QString::fromUtf8(kUso));
    return Lotes::Error;
}

int Fallo(const ErrorEjecucion& e) {
    Escribir(stderr, MensajeErrorCorrida(e.Numero(), e.Descripcion()) + QLatin1Char('\n'));
    return Lotes::Error;
}

int Procesar(const QString& archivo, const QString& salidaPdf) {
    SistemaArchivos sistema;
    Conexion conexion;
    conexion.SetConnectionString(CadenaConexion(RutaPrograma()));
    conexion.Open();
    conexion.EstablecerEsperaOcupada(kEsperaBaseOcupada);

    QString motivo;
    if (!CrearDSNListado(motivo))
        Escribir(stderr, QString::fromUtf8(Textos::AvisoDsn) + QLatin1Char('\n') + motivo +
                             QLatin1Char('\n'));

    ResultadoCorrida corrida = EjecutarCorrida(conexion, sistema, archivo);
    Escribir(stdout, corrida.strHash + QLatin1Char('\n'));
    if (!salidaPdf.isEmpty())
        EscribirListadoPdf(corrida.strArchivo, corrida.strHash, salidaPdf);
    return Lotes::Exito;
}

int Verificar(const QString& codigo, const QString& archivo) {
    SistemaArchivos sistema;
    const QString calculado = CalcularCodigoControl(sistema, archivo);
    const bool igual = calculado.compare(codigo.trimmed(), Qt::CaseInsensitive) == 0;
    Escribir(stdout, QStringLiteral("esperado:  %1\ncalculado: %2\n%3\n")
                         .arg(codigo.trimmed(), calculado,
                              igual ? QStringLiteral("El código de control coincide.")
                                    : QStringLiteral("El código de control NO coincide.")));
    return igual ? Lotes::Exito : Lotes::CodigoDistinto;
}

} // namespace

bool EsModoLotes(int argc) {
    return argc > 1;
}

void SilenciarAvisosDeQt() {
    // Standard error carries the program's own errors only: a script reads it.
    qInstallMessageHandler([](QtMsgType tipo, const QMessageLogContext&, const QString& texto) {
        if (tipo == QtCriticalMsg || tipo == QtFatalMsg)
            Escribir(stderr, texto + QLatin1Char('\n'));
    });
}

int EjecutarModoLotes(const QStringList& argumentos) {
    const QStringList args = argumentos.mid(1);
    try {
        if (args == QStringList{QStringLiteral("--help")} ||
            args == QStringList{QStringLiteral("-h")}) {
            Escribir(stdout, QString::fromUtf8(kAyuda));
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
            return Verificar(args.at(1), args.at(2));
        }
        if (!args.isEmpty() && args.front() == QLatin1String("--procesar")) {
            if (args.size() == 2)
                return Procesar(args.at(1), QString());
            if (args.size() == 4 && args.at(2) == QLatin1String("--listado"))
                return Procesar(args.at(1), args.at(3));
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
