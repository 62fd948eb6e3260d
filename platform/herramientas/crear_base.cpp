// Creates the program's database when none is there. The build and the
// install run it; the program itself never creates its database.

#include "platform/base/BaseDatos.h"
#include "platform/proceso/ArchivosPrograma.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication aplicacion(argc, argv);
    const QStringList argumentos = QCoreApplication::arguments();
    if (argumentos.size() != 2) {
        (void)std::fprintf(stderr, "Uso: cobranzia-crear-base RUTA/%s\n",
                           qPrintable(ArchivosPrograma::BaseDatos));
        return 2;
    }
    bool creada = false;
    QString error;
    if (!CrearBaseDatos(argumentos.at(1), ArchivosPrograma::ContrasenaBase, &creada, &error)) {
        (void)std::fprintf(stderr, "No se pudo crear la base de datos %s: %s\n",
                           qPrintable(argumentos.at(1)), qPrintable(error));
        return 1;
    }
    std::printf("%s: %s\n", qPrintable(argumentos.at(1)),
                creada ? "base de datos nueva" : "ya existe, no se toca");
    return 0;
}
