#include "run/Listado.h"

#include "platform/ErrorEjecucion.h"
#include "platform/InstaladorOdbc.h"
#include "platform/LiteralSQL.h"
#include "platform/OdbcPostgres.h"
#include "platform/OdbcSqlite.h"
#include "platform/reporte/ControlReporte.h"
#include "run/Programa.h"
#include "util/Recorte.h"

#include <QCoreApplication>
#include <QFile>

#include <optional>

#include <sys/stat.h>

namespace {

struct Identidad {
    dev_t dispositivo;
    ino_t nodo;
};

std::optional<Identidad> IdentidadDe(const QString& ruta) {
    struct stat info {};
    if (ruta.isEmpty() || stat(QFile::encodeName(ruta).constData(), &info) != 0)
        return std::nullopt;
    return Identidad{info.st_dev, info.st_ino};
}

[[noreturn]] void Rechazar(const QString& salida, const QString& motivo) {
    throw ErrorEjecucion(
        Errores::AccesoRuta,
        QStringLiteral("No se escribe el listado en «%1»: %2").arg(salida, motivo));
}

} // namespace

void ComprobarDestinoListado(const Programa& programa, const QString& lote, const QString& salida) {
    struct stat info {};
    if (lstat(QFile::encodeName(salida).constData(), &info) != 0)
        return; // a new file
    if (S_ISLNK(info.st_mode))
        Rechazar(salida, QStringLiteral("es un enlace simbólico"));
    if (!S_ISREG(info.st_mode))
        Rechazar(salida, QStringLiteral("no es un archivo ordinario"));
    const QString odbcIni = Odbc::ArchivoOdbcUsuario();
    const std::pair<QString, QString> propios[] = {
        {lote, QStringLiteral("es el archivo de débitos que se procesa")},
        {programa.BaseDatos(), QStringLiteral("es la base de datos del programa")},
        {programa.BaseDatos() + QStringLiteral("-journal"),
         QStringLiteral("es el diario de la base de datos")},
        {programa.ArchivoIni(), QStringLiteral("es el archivo de configuración del programa")},
        {programa.PlantillaListado(), QStringLiteral("es la plantilla del listado")},
        {programa.BibliotecaMd5(), QStringLiteral("es la biblioteca md5 del programa")},
        {QCoreApplication::applicationFilePath(), QStringLiteral("es el programa")},
        {odbcIni, QStringLiteral("es la configuración ODBC del usuario")},
    };
    for (const auto& [ruta, motivo] : propios) {
        const std::optional<Identidad> propio = IdentidadDe(ruta);
        if (propio && propio->dispositivo == info.st_dev && propio->nodo == info.st_ino)
            Rechazar(salida, motivo);
    }
}

QString NombreGuardado(const QString& strArchivo) {
    return RecortarEspacios(strArchivo).toString();
}

QString CadenaListado(const Programa& programa) {
    if (programa.gConexion)
        if (const std::optional<DestinoPostgres> servidor = programa.gConexion->DestinoServidor())
            return CadenaOdbcPostgres(*servidor);
    return CadenaOdbcSqlite(programa.BaseDatos());
}

void PrepararListado(ControlReporte& rpt, const Programa& programa, const QString& strArchivo,
                     const QString& strHash, const QString& corrida, int destino) {
    // The rows are stored under the trimmed name; apostrophes are doubled
    // so that a name holding one still reads as one literal.
    const QString strSeleccion =
        TextosListado::Seleccion + CitarLiteral(NombreGuardado(strArchivo));
    rpt.SetConnect(CadenaListado(programa));
    rpt.SetReportFileName(programa.PlantillaListado());
    rpt.SetFormulas(0, TextosListado::FormulaArchivo + CitarLiteral(strArchivo));
    rpt.SetFormulas(1, TextosListado::FormulaHash + CitarLiteral(strHash));
    rpt.SetDestination(destino);
    rpt.SetSelectionFormula(strSeleccion);
    rpt.SetWindowTitle(TextosListado::TituloVentana);
    rpt.SetWindowState(TextosListado::VentanaMaximizada);
    rpt.SetRun(corrida);
}

void EscribirListadoPdf(const Programa& programa, const QString& strArchivo, const QString& strHash,
                        const QString& corrida, const QString& salida) {
    ControlReporte rpt;
    PrepararListado(rpt, programa, strArchivo, strHash, corrida, TextosListado::DestinoArchivo);
    rpt.SetPrintFileName(salida);
    rpt.PrintReport();
    if (rpt.LastErrorNumber() != 0)
        throw ErrorEjecucion(rpt.LastErrorNumber(), rpt.LastErrorString());
}
