#include "run/Programa.h"

#include "dsn/CrearDSNListado.h"
#include "platform/archivos/ArchivoIni.h"
#include "platform/base/BaseDatos.h"
#include "platform/base/CadenaConexion.h"
#include "platform/archivos/CarpetaDatos.h"
#include "platform/proceso/ErrorEjecucion.h"
#include "platform/archivos/TextosArchivos.h"
#include "util/Ini.h"

#include <QStringBuilder>

Programa::Programa(QString rutaPrograma, QString rutaDatos)
    : rutaPrograma_(std::move(rutaPrograma))
    , rutaDatos_(std::move(rutaDatos)) {}

QString Programa::ArchivoDelPrograma(const QString& nombre) const {
    return rutaPrograma_ % u'/' % nombre;
}

QString Programa::ArchivoDeDatos(const QString& nombre) const {
    return rutaDatos_ % u'/' % nombre;
}

QString Programa::BaseDatos() const {
    return ArchivoDeDatos(TextosPrograma::ArchivoBase);
}

QString Programa::ArchivoIni() const {
    return ArchivoDeDatos(TextosPrograma::ArchivoIni);
}

QString Programa::BibliotecaMd5() const {
    return ArchivoDelPrograma(TextosPrograma::Biblioteca);
}

QString Programa::PlantillaListado() const {
    return ArchivoDelPrograma(TextosPrograma::Plantilla);
}

QString Programa::CadenaConexion() const {
    if (EnServidor())
        return servidor_;
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;") % QStringLiteral("Data Source=") %
           CitarValorConexion(BaseDatos()) % u';' % QStringLiteral("Persist Security Info=False;") %
           QStringLiteral("Jet OLEDB:Database Password=") % TextosPrograma::Contrasena;
}

void Programa::ElegirDatos(const QString& elegida) {
    rutaDatos_ = ElegirCarpetaDatos(rutaPrograma_, elegida, TextosPrograma::ArchivoBase);
    datosElegidos_ = !elegida.isEmpty() || qEnvironmentVariableIsSet("COBRANZIA_DATOS");
}

namespace {

// The server that a settings file names. A file that is there but cannot be
// read whole might name one: it is an error, never the embedded database.
QString ServidorDe(const QString& archivo) {
    const QString motivo = ::ArchivoIni(archivo).Motivo();
    if (!motivo.isEmpty())
        throw ErrorEjecucion(Errores::AccesoRuta,
                             TextosArchivos::ConfiguracionIlegible.arg(archivo, motivo));
    return LeerIni(archivo, TextosPrograma::SeccionBase, TextosPrograma::ClaveServidor, QString());
}

} // namespace

void Programa::ElegirServidor(const QString& opcion, const QString& sistema) {
    const QString elegidos[] = {
        ServidorDe(sistema),
        ServidorDe(ArchivoIni()),
        qEnvironmentVariable("COBRANZIA_SERVIDOR"),
        opcion,
    };
    servidor_.clear();
    for (const QString& elegido : elegidos)
        if (!elegido.trimmed().isEmpty())
            servidor_ = elegido.trimmed();
}

bool Programa::RegistrarOrigenDatos(QString& strError) const {
    if (gConexion)
        if (const std::optional<DestinoPostgres> servidor = gConexion->DestinoServidor())
            return CrearDSNServidor(*servidor, strError);
    return CrearDSNListado(RutaDatos(), strError);
}

void Programa::PrepararBase() const {
    if (EnServidor())
        return;
    bool creada = false;
    QString motivo;
    if (!CrearBaseDatos(BaseDatos(), TextosPrograma::Contrasena, &creada, &motivo))
        throw ErrorEjecucion(
            Errores::AccesoRuta,
            QStringLiteral("No se pudo crear la base de datos «%1»: %2").arg(BaseDatos(), motivo));
}
