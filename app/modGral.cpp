#include "app/modGral.h"

#include "app/frmPrincipal.h"
#include "dsn/CrearDSNListado.h"
#include "platform/ErrorEjecucion.h"
#include "platform/InstanciaUnica.h"
#include "platform/Mensajes.h"
#include "platform/gui/Aplicacion.h"
#include "run/Programa.h"

#include <QPointer>

frmPrincipal* Main(Programa& programa, InstanciaUnica& instancia) {
    if (instancia.PrevInstance())
        return nullptr;

    programa.gConexion = std::make_unique<Conexion>();
    programa.gConexion->SetConnectionString(programa.CadenaConexion());
    programa.gConexion->Open();

    QString strError;
    if (!CrearDSNListado(programa.RutaDatos(), strError))
        MsgBox(Textos::AvisoDsn + u'\n' + strError, IconoMensaje::Exclamacion);

    auto* ventana = new frmPrincipal(programa);
    QObject::connect(&instancia, &InstanciaUnica::ActivacionPedida, ventana,
                     &frmPrincipal::Activar);
    ventana->show();
    return ventana;
}

int EjecutarPrograma(Programa& programa) {
    InstanciaUnica instancia(InstanciaUnica::ClavePrograma(programa.RutaDatos()));
    QPointer<frmPrincipal> ventana;
    int estado = 0;
    try {
        ventana = Main(programa, instancia);
        if (ventana)
            estado = QApplication::exec();
    } catch (const ErrorEjecucion& e) {
        ReporteErrorPredeterminado(e);
        estado = EstadoErrorNoControlado;
    }
    delete ventana.data();
    programa.gSistemaArchivos.reset();
    programa.gConexion.reset();
    return estado;
}
