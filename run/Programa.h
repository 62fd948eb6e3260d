#pragma once

#include "platform/base/Conexion.h"
#include "platform/archivos/SistemaArchivos.h"

#include <QString>

#include <memory>

// The running program: the folder it runs from, the folder of its data, and
// the two objects the whole program shares. Built once in main and handed to
// the window or to batch mode; a test builds one on a folder of its own.
class Programa {
public:
    // The data folder is chosen later, by ElegirDatos, when a call needs it.
    explicit Programa(QString rutaPrograma, QString rutaDatos = QString());

    // Chooses the data folder as the user asked (platform/CarpetaDatos.h),
    // making it when missing. Raises error 75 when it cannot be used.
    void ElegirDatos(const QString& elegida);
    // The data folder was named for this start (--datos, COBRANZIA_DATOS):
    // not the user's usual one.
    bool DatosElegidos() const { return datosElegidos_; }
    // Chooses the office's server by its libpq connection string, the later
    // winning: [Base] Servidor in `sistema` (the system's file) and in the data
    // folder's settings file, COBRANZIA_SERVIDOR, and `opcion` (--servidor).
    // With none, the embedded database. Call after ElegirDatos.
    void ElegirServidor(const QString& opcion,
                        const QString& sistema = QStringLiteral("/etc/cobranzia/cobranzia.conf"));
    bool EnServidor() const { return !servidor_.isEmpty(); }

    // Makes the embedded database in the data folder when there is none there
    // yet; nothing for a server. Raises the reason when it cannot.
    void PrepararBase() const;

    // Points the user data source "Cobranzia" at the database in use, through
    // the open connection. False with the reason in `strError` when it could not.
    bool RegistrarOrigenDatos(QString& strError) const;

    // The folder of the executable: the md5 library and the listing's template.
    const QString& RutaPrograma() const { return rutaPrograma_; }
    // The folder of the database and the settings file.
    const QString& RutaDatos() const { return rutaDatos_; }

    // A file of either folder: the folder, "/" and the name, joined without
    // looking, so that a folder "/" gives "//name".
    QString ArchivoDelPrograma(const QString& nombre) const;
    QString ArchivoDeDatos(const QString& nombre) const;

    QString BaseDatos() const;
    QString ArchivoIni() const;
    QString BibliotecaMd5() const;
    QString PlantillaListado() const;

    // The database's connection string: joined from its six pieces, or the
    // server's.
    QString CadenaConexion() const;

    // The database connection; opened by the start-up, released by the window.
    std::unique_ptr<Conexion> gConexion;
    // The file-system object; made by the window's load, released by its unload.
    std::unique_ptr<SistemaArchivos> gSistemaArchivos;

private:
    QString rutaPrograma_;
    QString rutaDatos_;
    QString servidor_;
    bool datosElegidos_ = false;
};

namespace TextosPrograma {
inline const QString ArchivoBase = QStringLiteral("Cobranzia.mdb");
inline const QString ArchivoIni = QStringLiteral("Cobranzia.dat");
inline const QString Biblioteca = QStringLiteral("libmd5.so");
inline const QString Plantilla = QStringLiteral("Cobranzia.rpt");
inline const QString Contrasena = QStringLiteral("tornasolmivel");
inline const QString SeccionBase = QStringLiteral("Base");
inline const QString ClaveServidor = QStringLiteral("Servidor");
} // namespace TextosPrograma
