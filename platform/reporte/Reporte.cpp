#include "platform/reporte/Reporte.h"

#include "platform/proceso/CarpetaPrivada.h"
#include "platform/proceso/Descriptor.h"
#include "platform/proceso/ErrorEjecucion.h"
#include "platform/proceso/Rutas.h"
#include "platform/reporte/TextosReporte.h"

#include <QFile>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QRandomGenerator>
#include <QScopeGuard>

#include <cerrno>
#include <cstdint>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace {
// Pages kept at hand: what a screen shows at once, with some to spare.
constexpr qsizetype kPaginasGuardadas = 16;

DatosReporte::Consulta ConsultaDe(const Plantilla& p, const Seleccion& s, const QString& marca) {
    const QString tabla = p.tablas.value(p.tablaDetalle);
    if (tabla.isEmpty())
        throw ErrorEjecucion(ErroresReporte::TablaNoExiste,
                             TextosReporte::TablaNoDeclarada.arg(p.tablaDetalle));
    DatosReporte::Consulta c;
    c.nombreEnPlantilla = p.tablaDetalle;
    c.tabla = tabla;
    c.campoDetalle = p.campoDetalle;
    if (!s.vacia) {
        // Only the detail table can be selected on.
        if (s.tabla != p.tablaDetalle)
            throw ErrorEjecucion(ErroresReporte::TablaNoExiste,
                                 TextosReporte::TablaNoDeclarada.arg(s.tabla));
        c.filtrar = true;
        c.campoFiltro = s.campo;
        c.valorFiltro = s.valor;
        if (!marca.isEmpty() && !p.vigencia.tabla.isEmpty()) {
            c.tablaVigencia = p.vigencia.tabla;
            c.campoClave = p.vigencia.clave;
            c.campoMarca = p.vigencia.marca;
            c.valorMarca = marca;
        }
    }
    return c;
}
} // namespace

Reporte::Reporte(Plantilla plantilla, const QString& conexion, const Seleccion& seleccion,
                 const QList<Formula>& formulas, const QString& marca)
    : plantilla_(std::move(plantilla)) {
    ValoresDeFormulas(formulas);
    disposicion_ = std::make_unique<DisposicionPagina>(plantilla_);
    datos_ = std::make_unique<DatosReporte>(conexion.isEmpty() ? plantilla_.origen : conexion,
                                            ConsultaDe(plantilla_, seleccion, marca));
    const int caracteres = disposicion_->CaracteresPorLinea();
    paginacion_ = std::make_unique<Paginacion>(datos_->Resumir(caracteres),
                                               disposicion_->LineasPorPagina(), caracteres);
    if (!paginacion_->PorRango())
        datos_->RecorrerInicios(paginacion_->Resumen().longitudMaxima > caracteres ? caracteres : 0,
                                disposicion_->LineasPorPagina(),
                                [this](qint64 id, qint64 antes, qint64 lineas) {
                                    paginacion_->AgregarTramo(id, antes, lineas);
                                });
    valores_.filas = paginacion_->Resumen().filas;
    valores_.impresion = QDateTime::currentDateTime();
    pintor_ = std::make_unique<PintorPagina>(plantilla_, *disposicion_, valores_);
}

Reporte::~Reporte() = default;

void Reporte::ValoresDeFormulas(const QList<Formula>& formulas) {
    for (const QString& nombre : plantilla_.formulas)
        valores_.formulas.insert(nombre, plantilla_.textosFormulas.value(nombre));
    for (const Formula& f : formulas) {
        if (!plantilla_.formulas.contains(f.nombre))
            throw ErrorEjecucion(ErroresReporte::FormulaNoValida,
                                 TextosReporte::FormulaNoDeclarada.arg(f.nombre));
        valores_.formulas.insert(f.nombre, f.valor);
    }
}

QStringList Reporte::PartirFila(const QString& texto, int caracteres) {
    QStringList partes;
    qsizetype inicio = 0;
    int cuenta = 0;
    for (qsizetype i = 0; i < texto.size(); ++i) {
        if (texto[i].isHighSurrogate() && i + 1 < texto.size() && texto[i + 1].isLowSurrogate())
            ++i;
        if (++cuenta == caracteres) {
            partes << texto.mid(inicio, i + 1 - inicio);
            inicio = i + 1;
            cuenta = 0;
        }
    }
    if (cuenta > 0 || partes.isEmpty())
        partes << texto.mid(inicio);
    return partes;
}

PaginaListado Reporte::Leer(qint64 k) {
    ++paginasLeidas_;
    PaginaListado pagina;
    pagina.numero = k;
    pagina.total = TotalPaginas();
    pagina.cierre = paginacion_->TieneCierre(k);
    const qint64 lineas = paginacion_->LineasDetalle(k);
    const int caracteres = paginacion_->CaracteresPorLinea();
    if (paginacion_->PorRango()) {
        const Paginacion::Rango rango = paginacion_->RangoIds(k);
        if (rango.hasta >= rango.desde)
            for (const FilaListado& fila : datos_->FilasEntre(rango.desde, rango.hasta))
                pagina.lineas << fila.texto;
    } else if (paginacion_->InicioConocido(k)) {
        const InicioPagina inicio = paginacion_->Inicio(k);
        qint64 saltar = inicio.saltar;
        for (const FilaListado& fila :
             datos_->FilasDesde(inicio.id, paginacion_->LineasPorPagina())) {
            QStringList partes = PartirFila(fila.texto, caracteres);
            partes.remove(0, std::min<qsizetype>(saltar, partes.size()));
            saltar = 0;
            pagina.lineas += partes;
            if (pagina.lineas.size() >= lineas)
                break;
        }
    }
    if (pagina.lineas.size() > lineas)
        pagina.lineas.resize(lineas);
    // Rows missing from a page are rows that a later run replaced.
    if (pagina.lineas.size() < lineas)
        datos_->ComprobarVigencia();
    return pagina;
}

PaginaListado Reporte::Pagina(qint64 k) {
    for (const PaginaListado& guardada : std::as_const(guardadas_))
        if (guardada.numero == k)
            return guardada;
    PaginaListado pagina = Leer(k);
    if (guardadas_.size() >= kPaginasGuardadas)
        guardadas_.removeFirst();
    guardadas_.append(pagina);
    return pagina;
}

void Reporte::Pintar(QPainter& pintor, qint64 k) {
    pintor_->Pintar(pintor, Pagina(k));
}

bool Reporte::Volcar(QPagedPaintDevice& destino, qint64 desde, qint64 hasta, const Avance& avance) {
    destino.setPageLayout(disposicion_->Disposicion());
    QPainter pintor;
    if (!pintor.begin(&destino))
        throw ErrorEjecucion(ErroresReporte::Salida, TextosReporte::SalidaNoIniciada);
    const qreal escala = destino.logicalDpiX() / 72.0;
    for (qint64 k = desde; k <= hasta; ++k) {
        if (k > desde)
            destino.newPage();
        pintor.save();
        pintor.scale(escala, escala);
        // Straight from the source: a long export must not fill the cache.
        pintor_->Pintar(pintor, Leer(k));
        pintor.restore();
        if (avance && !avance(k - desde + 1))
            return false;
    }
    pintor.end();
    return true;
}

namespace {

[[noreturn]] void PdfNoEscrito(const QString& ruta, int32_t numero) {
    throw ErrorEjecucion(ErroresReporte::Salida,
                         TextosReporte::PdfNoEscrito.arg(ruta, DescripcionError(numero)));
}

} // namespace

namespace {

// A temporary name beside the target, free at this moment.
QByteArray NombreTemporal(const QByteArray& destino) {
    return destino + '.' +
           QByteArray::number(QRandomGenerator::system()->generate() % 2176782336U, 36)
               .rightJustified(6, '0');
}

// A file without a name in the target's folder, where the file system has them.
Descriptor ArchivoSinNombre(const QByteArray& destino) {
    const qsizetype barra = destino.lastIndexOf('/');
    const QByteArray carpeta =
        barra < 0 ? QByteArray(".") : destino.left(qMax<qsizetype>(barra, 1));
    return Descriptor(::open(carpeta.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
}

} // namespace

// The PDF is written into a file that has no name until it is complete
// (O_TMPFILE), then linked beside its target under a temporary name and put in
// its place; where the file system has no such files, under the temporary
// name from the start. A signal that ends the process takes the temporary
// name with it. Both are named by the path's own bytes: a name that is not
// UTF-8 stays as given.
bool Reporte::ExportarPdf(const QString& ruta, const Avance& avance) {
    const QByteArray destino = RutaABytes(ruta);
    QByteArray temporal = destino + ".XXXXXX";
    Descriptor propio = ArchivoSinNombre(destino);
    bool nombrado = !propio.Valido();
    if (nombrado)
        propio = Descriptor(mkstemp(temporal.data()));
    const int descriptor = propio.get();
    if (descriptor < 0)
        PdfNoEscrito(ruta, errno == EACCES ? Errores::PermisoDenegado : Errores::AccesoRuta);
    if (nombrado)
        CarpetaPrivada::BorrarTemporalAlTerminar(temporal);
    const auto limpiar = qScopeGuard([&] {
        if (nombrado)
            unlink(temporal.constData());
        CarpetaPrivada::NoBorrarTemporalAlTerminar(temporal);
    });
    QFile archivo;
    if (!archivo.open(descriptor, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle))
        PdfNoEscrito(ruta, Errores::AccesoRuta);
    propio.release(); // the file closes it now
    bool completo = false;
    {
        QPdfWriter pdf(&archivo);
        pdf.setCreator(QStringLiteral("Cobranzia"));
        pdf.setTitle(plantilla_.titulo);
        completo = Volcar(pdf, 0, TotalPaginas() - 1, avance);
    }
    if (!completo)
        return false;
    bool escrito = archivo.flush() && fsync(descriptor) == 0;
    const QByteArray enlace = "/proc/self/fd/" + QByteArray::number(descriptor);
    for (int intento = 0; escrito && !nombrado && intento < 3; ++intento) {
        temporal = NombreTemporal(destino);
        CarpetaPrivada::BorrarTemporalAlTerminar(temporal);
        nombrado = linkat(AT_FDCWD, enlace.constData(), AT_FDCWD, temporal.constData(),
                          AT_SYMLINK_FOLLOW) == 0;
        if (!nombrado)
            CarpetaPrivada::NoBorrarTemporalAlTerminar(temporal);
        escrito = nombrado || errno == EEXIST;
    }
    archivo.close();
    if (!escrito || !nombrado || rename(temporal.constData(), destino.constData()) != 0)
        PdfNoEscrito(ruta, Errores::ErrorES);
    nombrado = false;
    return true;
}
