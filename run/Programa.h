#pragma once

#include "platform/archivos/SistemaArchivos.h"
#include "platform/base/Conexion.h"
#include "run/Eleccion.h"

#include <QString>

#include <memory>
#include <optional>

// The running program: the folder it runs from, the folder of its data, and
// the two objects the whole program shares. Built once in main and handed to
// the window or to batch mode; a test builds one on a folder of its own.
class Programa {
public:
    // The data folder is chosen later, by Elegir, when a call needs it.
    explicit Programa(QString rutaPrograma, QString rutaDatos = QString());

    // Chooses the data folder, then the server, as run/Eleccion.h orders
    // their sources: `datos` and `servidor` are the command line's, may be
    // empty. A call that only reads (`crear` false) makes no folder.
    void Elegir(const QString& datos, const QString& servidor, bool crear = true);
    // Chooses the data folder alone, making it when missing and `crear`.
    // Raises error 75 when it cannot be used.
    void ElegirDatos(const QString& elegida, bool crear = true);
    // The data folder was named for this start (--datos, COBRANZIA_DATOS):
    // not the user's usual one.
    bool DatosElegidos() const { return datosElegidos_; }
    // Chooses the office's server alone; `sistema` is the system's settings
    // file. With none, the embedded database. Call after ElegirDatos.
    void ElegirServidor(const QString& opcion, const QString& sistema = ConfiguracionSistema);
    bool EnServidor() const { return !servidor_.isEmpty(); }
    // Opened by batch mode, not by the window.
    bool EnLotes() const { return lotes_; }

    // How a start opens the program: batch mode waits for a busy database,
    // and a one-off run on a named data folder leaves the data source alone.
    struct Apertura {
        std::optional<int> esperaOcupada;
        bool registrarSiempre = true;
        // Batch mode: its runs are recorded as such in the history.
        bool lotes = false;
    };
    // The start-up, for the window and batch mode alike: makes the embedded
    // database when missing, the shared objects, opens the connection and
    // points the data source at the database in use. Raises what the database
    // raises; returns the reason when the data source could not be registered,
    // for the caller's warning (TextosPrograma::AvisoDsn).
    std::optional<QString> Abrir(const Apertura& apertura);
    // The one place that makes the shared objects and opens the connection.
    void AbrirConexion(std::optional<int> esperaOcupada = std::nullopt);
    // The one place that releases them: the file-system object, then the connection.
    void Cerrar();

    // The database connection and the file-system object, null when closed.
    Conexion* gConexion() const { return conexion_.get(); }
    SistemaArchivos* gSistemaArchivos() const { return sistemaArchivos_.get(); }

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

private:
    // Makes the embedded database in the data folder when there is none there
    // yet; nothing for a server. Raises the reason when it cannot.
    void PrepararBase() const;
    // Points the user data source "Cobranzia" at the database in use, through
    // the open connection. False with the reason in `strError` when it could not.
    bool RegistrarOrigenDatos(QString& strError) const;

    std::unique_ptr<Conexion> conexion_;
    std::unique_ptr<SistemaArchivos> sistemaArchivos_;
    QString rutaPrograma_;
    QString rutaDatos_;
    QString servidor_;
    bool datosElegidos_ = false;
    bool lotes_ = false;
};

namespace TextosPrograma {
inline const QString SeccionBase = QStringLiteral("Base");
inline const QString ClaveServidor = QStringLiteral("Servidor");
inline const QString AvisoDsn = QStringLiteral("No se pudo crear el DSN para el listado.");
inline const QString BaseNoCreada = QStringLiteral("No se pudo crear la base de datos «%1»: %2");
} // namespace TextosPrograma
