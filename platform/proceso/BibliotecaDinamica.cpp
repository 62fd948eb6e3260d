#include "platform/proceso/BibliotecaDinamica.h"

#include "platform/proceso/ErrorEjecucion.h"

#include <QFile>

#include <dlfcn.h>

BibliotecaDinamica::BibliotecaDinamica(const QString& ruta)
    : ruta_(ruta) {
    QByteArray local = QFile::encodeName(ruta);
    // A bare name would make the loader search the system's folders.
    if (!local.contains('/'))
        local.prepend("./");
    manejador_ = dlopen(local.constData(), RTLD_NOW | RTLD_LOCAL);
    if (!manejador_)
        throw ErrorSistema(Errores::ErrorCargaDll, ruta);
}

void* BibliotecaDinamica::Resolver(const char* nombre) const {
    void* direccion = dlsym(manejador_, nombre);
    if (!direccion)
        throw ErrorSistema(Errores::PuntoEntradaDll, QString::fromLatin1(nombre));
    return direccion;
}
