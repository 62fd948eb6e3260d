#pragma once

#include <QString>

#include <cstdint>
#include <exception>
#include <string>

// A run-time error: a number and a description that travel up to the nearest
// handler, as the platform's runtime raises them.
class ErrorEjecucion : public std::exception {
public:
    ErrorEjecucion(int32_t numero, QString descripcion);

    int32_t Numero() const noexcept { return numero_; }
    const QString& Descripcion() const noexcept { return descripcion_; }
    const char* what() const noexcept override { return textoUtf8_.c_str(); }

private:
    int32_t numero_;
    QString descripcion_;
    std::string textoUtf8_;
};

// The runtime's classic error numbers.
namespace Errores {
inline constexpr int32_t LlamadaNoValida = 5;
inline constexpr int32_t Desbordamiento = 6;
inline constexpr int32_t ErrorCargaDll = 48;
inline constexpr int32_t NombreArchivoIncorrecto = 52;
inline constexpr int32_t ArchivoNoEncontrado = 53;
inline constexpr int32_t ErrorES = 57;
inline constexpr int32_t FinDeArchivo = 62;
inline constexpr int32_t ObjetoNoEstablecido = 91;
inline constexpr int32_t PermisoDenegado = 70;
inline constexpr int32_t AccesoRuta = 75;
inline constexpr int32_t PuntoEntradaDll = 453;
// The base of application-defined errors (0x80040000).
inline constexpr int32_t ErrorAplicacion = -2147221504;
// Database errors carry the engine's own message under this number.
inline constexpr int32_t BaseDatos = -2147467259;
} // namespace Errores

// The runtime's own description for one of the numbers above.
QString DescripcionError(int32_t numero);

// An error with the runtime's own description, and an optional detail appended
// (for instance the path or the system's reason), shown as TextoVisible shows it.
ErrorEjecucion ErrorSistema(int32_t numero, const QString& detalle = QString());
