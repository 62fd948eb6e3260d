#include "run/Programa.h"

#include "dsn/CrearDSNListado.h"
#include "platform/base/BaseDatos.h"
#include "platform/base/CadenaConexion.h"
#include "platform/proceso/ArchivosPrograma.h"
#include "platform/proceso/ErrorEjecucion.h"

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
    return ArchivoDeDatos(ArchivosPrograma::BaseDatos);
}

QString Programa::ArchivoIni() const {
    return ArchivoDeDatos(ArchivosPrograma::ArchivoIni);
}

QString Programa::BibliotecaMd5() const {
    return ArchivoDelPrograma(ArchivosPrograma::BibliotecaMd5);
}

QString Programa::PlantillaListado() const {
    return ArchivoDelPrograma(ArchivosPrograma::Plantilla);
}

QString Programa::CadenaConexion() const {
    if (EnServidor())
        return servidor_;
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;") % QStringLiteral("Data Source=") %
           CitarValorConexion(BaseDatos()) % u';' % QStringLiteral("Persist Security Info=False;") %
           QStringLiteral("Jet OLEDB:Database Password=") % ArchivosPrograma::ContrasenaBase;
}

void Programa::Elegir(const QString& datos, const QString& servidor, bool crear) {
    ElegirDatos(datos, crear);
    ElegirServidor(servidor);
}

void Programa::ElegirDatos(const QString& elegida, bool crear) {
    rutaDatos_ = ElegirCarpetaDatos(rutaPrograma_, elegida, ArchivosPrograma::BaseDatos, crear);
    datosElegidos_ = !elegida.isEmpty() || qEnvironmentVariableIsSet("COBRANZIA_DATOS");
}

void Programa::ElegirServidor(const QString& opcion, const QString& sistema) {
    servidor_ = ::ElegirServidor(opcion, sistema, ArchivoIni());
}

std::optional<QString> Programa::Abrir(const Apertura& apertura) {
    lotes_ = apertura.lotes;
    PrepararBase();
    AbrirConexion(apertura.esperaOcupada);
    // A one-off run on another folder's database leaves the data source on the
    // usual one; a server's data source names no folder.
    if (!apertura.registrarSiempre && !EnServidor() && DatosElegidos())
        return std::nullopt;
    QString motivo;
    if (!RegistrarOrigenDatos(motivo))
        return motivo;
    return std::nullopt;
}

void Programa::AbrirConexion(std::optional<int> esperaOcupada) {
    sistemaArchivos_ = std::make_unique<SistemaArchivos>();
    conexion_ = std::make_unique<Conexion>();
    conexion_->SetConnectionString(CadenaConexion());
    if (esperaOcupada)
        conexion_->EstablecerEsperaOcupada(*esperaOcupada);
    conexion_->Open();
}

void Programa::Cerrar() {
    sistemaArchivos_.reset();
    conexion_.reset();
}

bool Programa::RegistrarOrigenDatos(QString& strError) const {
    if (conexion_)
        if (const std::optional<DestinoPostgres> servidor = conexion_->DestinoServidor())
            return CrearDSNServidor(*servidor, strError);
    return CrearDSNListado(RutaDatos(), strError);
}

void Programa::PrepararBase() const {
    if (EnServidor())
        return;
    bool creada = false;
    QString motivo;
    if (!CrearBaseDatos(BaseDatos(), ArchivosPrograma::ContrasenaBase, &creada, &motivo))
        throw ErrorEjecucion(Errores::AccesoRuta,
                             TextosPrograma::BaseNoCreada.arg(BaseDatos(), motivo));
}
