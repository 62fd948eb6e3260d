#include "platform/reporte/Paginacion.h"

#include <algorithm>

Paginacion::Paginacion(const ResumenDatos& resumen, int lineasPorPagina, int caracteresPorLinea)
    : resumen_(resumen)
    , lineasPorPagina_(std::max(1, lineasPorPagina))
    , caracteresPorLinea_(std::max(1, caracteresPorLinea)) {}

qint64 Paginacion::LineasDeFila(qint64 longitud, int caracteresPorLinea) {
    const qint64 n = std::max(1, caracteresPorLinea);
    return std::max<qint64>(1, (longitud + n - 1) / n);
}

qint64 Paginacion::TotalPaginas() const {
    // The closing line counts as one more line.
    return (resumen_.lineas + 1 + lineasPorPagina_ - 1) / lineasPorPagina_;
}

bool Paginacion::PorRango() const {
    return resumen_.filas == 0 || (resumen_.longitudMaxima <= caracteresPorLinea_ &&
                                   resumen_.ultimoId - resumen_.primerId + 1 == resumen_.filas);
}

Paginacion::Rango Paginacion::RangoIds(qint64 pagina) const {
    const qint64 primera = pagina * lineasPorPagina_;
    if (resumen_.filas == 0 || primera >= resumen_.filas)
        return {};
    const qint64 ultima = std::min(resumen_.filas, primera + lineasPorPagina_) - 1;
    return {resumen_.primerId + primera, resumen_.primerId + ultima};
}

qint64 Paginacion::LineasDetalle(qint64 pagina) const {
    const qint64 primera = pagina * lineasPorPagina_;
    return std::clamp<qint64>(resumen_.lineas - primera, 0, lineasPorPagina_);
}

bool Paginacion::TieneCierre(qint64 pagina) const {
    return pagina == TotalPaginas() - 1;
}

void Paginacion::AgregarFila(qint64 id, qint64 longitud) {
    AgregarTramo(id, lineasVistas_, LineasDeFila(longitud, caracteresPorLinea_));
}

void Paginacion::AgregarTramo(qint64 id, qint64 antes, qint64 lineas) {
    lineasVistas_ = antes;
    // Every page boundary that falls inside this row starts a page here.
    qint64 siguiente = qint64(inicios_.size()) * lineasPorPagina_;
    while (siguiente < lineasVistas_ + lineas) {
        inicios_.push_back({id, siguiente - lineasVistas_});
        siguiente += lineasPorPagina_;
    }
    lineasVistas_ += lineas;
}

bool Paginacion::InicioConocido(qint64 pagina) const {
    return pagina >= 0 && pagina < qint64(inicios_.size());
}

InicioPagina Paginacion::Inicio(qint64 pagina) const {
    return InicioConocido(pagina) ? inicios_[size_t(pagina)] : InicioPagina{};
}
