#include "dsn/CrearDSNListado.h"

#include "dsn/CDSN.h"
#include "platform/ErrorEjecucion.h"
#include "platform/InstaladorOdbc.h"
#include "platform/Mensajes.h"

#include <memory>

bool CrearDSNListado(const QString& strCarpeta, QString& strError) {
    bool resultado = false;
    try {
        auto registrador = std::make_unique<CDSN>(strCarpeta);
        resultado = true;
        registrador->SetDatabaseName(strCarpeta + u'/' + DSN::ArchivoBase);
        registrador->SetDataSourceName(DSN::NombreFuente);
        registrador->SetDriverName(DSN::Controlador);
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
