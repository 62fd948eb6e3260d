#include "platform/proceso/ErrorEjecucion.h"

#include "platform/proceso/TextoVisible.h"
#include "platform/proceso/TextosProceso.h"

#include <utility>

ErrorEjecucion::ErrorEjecucion(int32_t numero, QString descripcion)
    : numero_(numero)
    , descripcion_(std::move(descripcion))
    , textoUtf8_(descripcion_.toStdString()) {}

QString DescripcionError(int32_t numero) {
    switch (numero) {
    case Errores::LlamadaNoValida:
        return TextosProceso::LlamadaNoValida;
    case Errores::Desbordamiento:
        return TextosProceso::Desbordamiento;
    case Errores::ErrorCargaDll:
        return TextosProceso::ErrorCargaDll;
    case Errores::NombreArchivoIncorrecto:
        return TextosProceso::NombreArchivoIncorrecto;
    case Errores::ArchivoNoEncontrado:
        return TextosProceso::ArchivoNoEncontrado;
    case Errores::ErrorES:
        return TextosProceso::ErrorES;
    case Errores::FinDeArchivo:
        return TextosProceso::FinDeArchivo;
    case Errores::ObjetoNoEstablecido:
        return TextosProceso::ObjetoNoEstablecido;
    case Errores::PermisoDenegado:
        return TextosProceso::PermisoDenegado;
    case Errores::AccesoRuta:
        return TextosProceso::AccesoRuta;
    case Errores::PuntoEntradaDll:
        return TextosProceso::PuntoEntradaDll;
    default:
        return TextosProceso::ErrorAplicacion;
    }
}

ErrorEjecucion ErrorSistema(int32_t numero, const QString& detalle) {
    QString texto = DescripcionError(numero);
    if (!detalle.isEmpty())
        texto += QStringLiteral(": ") + TextoVisible(detalle);
    return ErrorEjecucion(numero, texto);
}
