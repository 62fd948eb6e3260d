#include "dsn/CrearDSNListado.h"

#include "dsn/CDSN.h"
#include "platform/ErrorEjecucion.h"
#include "platform/InstaladorOdbc.h"
#include "platform/Mensajes.h"
#include "platform/Programa.h"

#include <memory>

bool CrearDSNListado(QString& strError) {
    bool resultado = false;
    try {
        auto registrador = std::make_unique<CDSN>();
        resultado = true;
        registrador->SetDatabaseName(ArchivoDelPrograma(QString::fromUtf8(DSN::ArchivoBase)));
        registrador->SetDataSourceName(QString::fromUtf8(DSN::NombreFuente));
        registrador->SetDriverName(QString::fromUtf8(DSN::Controlador));
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
