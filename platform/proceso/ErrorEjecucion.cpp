#include "platform/proceso/ErrorEjecucion.h"

#include "platform/proceso/TextoVisible.h"

#include <utility>

ErrorEjecucion::ErrorEjecucion(int32_t numero, QString descripcion)
    : numero_(numero)
    , descripcion_(std::move(descripcion))
    , textoUtf8_(descripcion_.toStdString()) {}

QString DescripcionError(int32_t numero) {
    switch (numero) {
    case Errores::LlamadaNoValida:
        return QStringLiteral("Llamada a procedimiento o argumento no válido");
    case Errores::Desbordamiento:
        return QStringLiteral("Desbordamiento");
    case Errores::ErrorCargaDll:
        return QStringLiteral("Error al cargar la DLL");
    case Errores::NombreArchivoIncorrecto:
        return QStringLiteral("Nombre o número de archivo incorrecto");
    case Errores::ArchivoNoEncontrado:
        return QStringLiteral("No se encontró el archivo");
    case Errores::ErrorES:
        return QStringLiteral("Error de E/S en el dispositivo");
    case Errores::FinDeArchivo:
        return QStringLiteral("La entrada pasó del final del archivo");
    case Errores::ObjetoNoEstablecido:
        return QStringLiteral("Variable de objeto o bloque With no establecido");
    case Errores::PermisoDenegado:
        return QStringLiteral("Permiso denegado");
    case Errores::AccesoRuta:
        return QStringLiteral("Error de acceso a la ruta o al archivo");
    case Errores::PuntoEntradaDll:
        return QStringLiteral("No se encontró el punto de entrada de la DLL");
    default:
        return QStringLiteral("Error definido por la aplicación o el objeto");
    }
}

ErrorEjecucion ErrorSistema(int32_t numero, const QString& detalle) {
    QString texto = DescripcionError(numero);
    if (!detalle.isEmpty())
        texto += QStringLiteral(": ") + TextoVisible(detalle);
    return ErrorEjecucion(numero, texto);
}
