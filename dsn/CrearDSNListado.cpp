#include "dsn/CrearDSNListado.h"

#include "dsn/CDSN.h"
#include "platform/proceso/ErrorEjecucion.h"
#include "platform/odbc/InstaladorOdbc.h"
#include "platform/proceso/Mensajes.h"

#include <memory>

namespace {

bool Registrar(const QString& strCarpeta, const DestinoPostgres* servidor, QString& strError) {
    bool resultado = false;
    try {
        auto registrador = std::make_unique<CDSN>(strCarpeta);
        resultado = true;
        registrador->SetDatabaseName(strCarpeta + u'/' + DSN::ArchivoBase);
        registrador->SetDataSourceName(DSN::NombreFuente);
        registrador->SetDriverName(DSN::Controlador);
        if (servidor)
            registrador->SetServidor(*servidor);
        if (!registrador->CrearDSN(Odbc::ODBC_ADD_DSN)) {
            resultado = false;
            strError = registrador->ErrorDesc();
        }
    } catch (const ErrorEjecucion& e) {
        MsgBox(QStringLiteral("CrearDSN::Error %1: %2").arg(e.Numero()).arg(e.Descripcion()));
    } catch (const std::bad_alloc&) {
        MsgBox(QStringLiteral("CrearDSN::Error 7: Memoria insuficiente"));
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
