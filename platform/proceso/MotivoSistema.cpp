#include "platform/proceso/MotivoSistema.h"

#include <cerrno>
#include <cstring>
#include <utility>

namespace {

const std::pair<int, const char*> kMotivos[] = {
    {EPERM, "Operación no permitida"},
    {ENOENT, "No existe el archivo o la carpeta"},
    {EIO, "Error de entrada/salida"},
    {EACCES, "Permiso denegado"},
    {EBUSY, "Dispositivo o recurso ocupado"},
    {EEXIST, "El archivo ya existe"},
    {EXDEV, "Enlace entre dispositivos distintos"},
    {ENOTDIR, "No es una carpeta"},
    {EISDIR, "Es una carpeta"},
    {EINVAL, "Argumento no válido"},
    {ENFILE, "Demasiados archivos abiertos en el sistema"},
    {EMFILE, "Demasiados archivos abiertos"},
    {ETXTBSY, "Archivo de texto ocupado"},
    {EFBIG, "Archivo demasiado grande"},
    {ENOSPC, "No queda espacio en el dispositivo"},
    {EROFS, "Sistema de archivos de solo lectura"},
    {ENAMETOOLONG, "Nombre de archivo demasiado largo"},
    {ENOTEMPTY, "La carpeta no está vacía"},
    {ELOOP, "Demasiados niveles de enlaces simbólicos"},
    {EDQUOT, "Se superó la cuota de disco"},
    {ENOMEM, "No hay memoria suficiente"},
    {EAGAIN, "Recurso no disponible temporalmente"},
    {ENXIO, "No existe el dispositivo o la dirección"},
    {ECONNREFUSED, "Conexión rechazada"},
    {ETIMEDOUT, "Se agotó el tiempo de espera de la conexión"},
};

} // namespace

QString MotivoSistema(int error) {
    for (const auto& [numero, motivo] : kMotivos)
        if (numero == error)
            return QString::fromUtf8(motivo);
    return QString::fromLocal8Bit(std::strerror(error));
}
