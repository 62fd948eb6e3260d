#include "dsn/CrearDSNListado.h"

#include "dsn/CDSN.h"
#include "dsn/TextosDsn.h"
#include "platform/odbc/InstaladorOdbc.h"
#include "platform/odbc/OdbcSqlite.h"
#include "platform/proceso/ArchivosPrograma.h"
#include "platform/proceso/ErrorEjecucion.h"
#include "platform/proceso/Mensajes.h"

#include <memory>

namespace {

bool Registrar(const QString& strCarpeta, const DestinoPostgres* servidor, QString& strError) {
    bool resultado = false;
    try {
        auto registrador = std::make_unique<CDSN>(strCarpeta);
        resultado = true;
        registrador->SetDatabaseName(strCarpeta + u'/' + ArchivosPrograma::BaseDatos);
        registrador->SetDataSourceName(DSN::NombreFuente);
        registrador->SetDriverName(ControladorOdbcSqlite);
        if (servidor)
            registrador->SetServidor(*servidor);
        if (!registrador->CrearDSN(Odbc::ODBC_ADD_DSN)) {
            resultado = false;
            strError = registrador->ErrorDesc();
        }
    } catch (const ErrorEjecucion& e) {
        MsgBox(TextosDsn::Error.arg(e.Numero()).arg(e.Descripcion()));
    } catch (const std::bad_alloc&) {
        MsgBox(TextosDsn::SinMemoria);
    }
    return resultado;
}

} // namespace

bool CrearDSNListado(const QString& strCarpeta, QString& strError) {
    return Registrar(strCarpeta, nullptr, strError);
}

bool CrearDSNServidor(const DestinoPostgres& destino, QString& strError) {
    return Registrar(QString(), &destino, strError);
}
