#pragma once

#include <QString>

// A shared library loaded by path at run time. Once loaded it stays loaded for
// the life of the process, so an address resolved from it never dangles.
class BibliotecaDinamica {
public:
    // Loads the library at `ruta` (a path, never a name searched for).
    // Raises error 48 with the path when it cannot be loaded.
    explicit BibliotecaDinamica(const QString& ruta);

    // The address of the export `nombre`. Raises error 453 with the name when
    // the library does not export it.
    void* Resolver(const char* nombre) const;

    const QString& Ruta() const { return ruta_; }

private:
    QString ruta_;
    void* manejador_;
};
