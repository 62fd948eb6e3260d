#include "run/Listado.h"

#include "platform/base/LiteralSQL.h"
#include "platform/odbc/InstaladorOdbc.h"
#include "platform/odbc/OdbcSqlite.h"
#include "platform/proceso/ErrorEjecucion.h"
#include "platform/proceso/MotivoSistema.h"
#include "platform/proceso/Rutas.h"
#include "platform/proceso/TextoVisible.h"
#include "platform/reporte/ControlReporte.h"
#include "platform/reporte/DatosReporte.h"
#include "run/Programa.h"
#include "util/Recorte.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Identidad {
    dev_t dispositivo;
    ino_t nodo;
    bool operator==(const Identidad&) const = default;
};

std::optional<Identidad> IdentidadDe(const QString& ruta) {
    struct stat info {};
    if (ruta.isEmpty() || stat(RutaABytes(ruta).constData(), &info) != 0)
        return std::nullopt;
    return Identidad{info.st_dev, info.st_ino};
}

QString Carpeta(const QString& ruta) {
    return QFileInfo(ruta).absolutePath();
}

// The same file, whether it exists yet or not: the same file now, or the same
// name in the same folder.
bool MismoArchivo(const QString& a, const QString& b) {
    const std::optional<Identidad> ia = IdentidadDe(a);
    if (ia && ia == IdentidadDe(b))
        return true;
    const std::optional<Identidad> carpeta = IdentidadDe(Carpeta(a));
    return carpeta && carpeta == IdentidadDe(Carpeta(b)) &&
           QFileInfo(a).fileName() == QFileInfo(b).fileName();
}

QString Sistema() {
    return MotivoSistema(errno);
}

[[noreturn]] void Rechazar(const QString& salida, const QString& motivo) {
    throw ErrorEjecucion(Errores::AccesoRuta,
                         TextosListado::NoSeEscribe.arg(TextoVisible(salida), motivo));
}

// The folder must take a new file now, not after the run has replaced the rows.
void ComprobarCarpeta(const QString& salida) {
    const QString carpeta = Carpeta(salida);
    const QByteArray bytes = RutaABytes(carpeta);
    struct stat info {};
    if (stat(bytes.constData(), &info) != 0)
        Rechazar(salida, (errno == ENOENT    ? TextosListado::CarpetaInexistente
                          : errno == ENOTDIR ? TextosListado::NoEsCarpeta
                                             : TextosListado::CarpetaInaccesible)
                             .arg(TextoVisible(carpeta), Sistema()));
    errno = ENOTDIR;
    if (!S_ISDIR(info.st_mode))
        Rechazar(salida, TextosListado::NoEsCarpeta.arg(TextoVisible(carpeta), Sistema()));
    if (faccessat(AT_FDCWD, bytes.constData(), W_OK | X_OK, AT_EACCESS) != 0)
        Rechazar(salida, TextosListado::CarpetaSinEscritura.arg(TextoVisible(carpeta), Sistema()));
}

// An existing target is replaced only when it is an ordinary file that the
// user may write.
void ComprobarExistente(const QString& salida) {
    const QByteArray bytes = RutaABytes(salida);
    struct stat info {};
    if (lstat(bytes.constData(), &info) != 0)
        return; // a new file
    if (S_ISLNK(info.st_mode))
        Rechazar(salida, TextosListado::Enlace);
    if (!S_ISREG(info.st_mode))
        Rechazar(salida, TextosListado::NoOrdinario);
    if (faccessat(AT_FDCWD, bytes.constData(), W_OK, AT_EACCESS) != 0)
        Rechazar(salida, TextosListado::SoloLectura.arg(Sistema()));
}

} // namespace

void ComprobarDestinoListado(const Programa& programa, const QString& lote, const QString& salida) {
    ComprobarCarpeta(salida);
    ComprobarExistente(salida);
    const QString base = programa.BaseDatos();
    const std::pair<QString, QString> propios[] = {
        {lote, TextosListado::EsLote},
        {base, TextosListado::EsBase},
        {base + QStringLiteral("-journal"), TextosListado::Diario},
        {base + QStringLiteral("-wal"), TextosListado::Diario},
        {base + QStringLiteral("-shm"), TextosListado::Diario},
        {programa.ArchivoIni(), TextosListado::EsIni},
        {programa.PlantillaListado(), TextosListado::EsPlantilla},
        {programa.BibliotecaMd5(), TextosListado::EsBiblioteca},
        {QCoreApplication::applicationFilePath(), TextosListado::EsPrograma},
        {Odbc::ArchivoOdbcUsuario(), TextosListado::EsOdbc},
    };
    for (const auto& [ruta, motivo] : propios)
        if (!ruta.isEmpty() && MismoArchivo(salida, ruta))
            Rechazar(salida, motivo);
}

QString NombreGuardado(const QString& strArchivo) {
    return RecortarEspacios(strArchivo).toString();
}

QString CadenaListado(const Programa& programa) {
    // On a server the listing connects where the run's connection went, with
    // what it resolved from this string (MotorPostgres::AbrirLectura).
    if (programa.EnServidor())
        return DatosReporte::CadenaServidor(programa.CadenaConexion());
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
    rpt.FijarCorrida(corrida);
}

void EscribirListadoPdf(const Programa& programa, const QString& strArchivo, const QString& strHash,
                        const QString& corrida, const QString& salida) {
    ControlReporte rpt;
    PrepararListado(rpt, programa, strArchivo, strHash, corrida, ControlReporte::DestinoArchivo);
    rpt.SetPrintFileName(salida);
    Imprimir(rpt);
}

void Imprimir(ControlReporte& rpt) {
    rpt.PrintReport();
    if (rpt.LastErrorNumber() != 0)
        throw ErrorEjecucion(rpt.LastErrorNumber(), rpt.LastErrorString());
}
