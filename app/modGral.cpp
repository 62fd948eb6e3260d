#include "app/modGral.h"

#include "app/frmPrincipal.h"
#include "dsn/CrearDSNListado.h"
#include "platform/ErrorEjecucion.h"
#include "platform/InstanciaUnica.h"
#include "platform/Mensajes.h"
#include "platform/Programa.h"
#include "platform/gui/Aplicacion.h"

std::unique_ptr<Conexion> gConexion;
std::unique_ptr<SistemaArchivos> gSistemaArchivos;
frmPrincipal* gPrincipal = nullptr;

namespace {
std::unique_ptr<InstanciaUnica> gInstancia;
}

QString CadenaConexion(const QString& carpetaPrograma) {
    return QString::fromUtf8(Textos::Proveedor) + QString::fromUtf8(Textos::OrigenDatos) +
           carpetaPrograma + QString::fromUtf8(Textos::ArchivoBase) +
           QString::fromUtf8(Textos::Seguridad) + QString::fromUtf8(Textos::Contrasena);
}

bool Main() {
    gInstancia = std::make_unique<InstanciaUnica>(InstanciaUnica::ClavePrograma());
    if (gInstancia->PrevInstance()) {
        gInstancia.reset();
        return false;
    }

    gConexion = std::make_unique<Conexion>();
    gConexion->SetConnectionString(CadenaConexion(RutaPrograma()));
    gConexion->Open();

    QString strError;
    if (!CrearDSNListado(strError))
        MsgBox(QString::fromUtf8(Textos::AvisoDsn) + QLatin1Char('\n') + strError,
               IconoMensaje::Exclamacion);

    gPrincipal = new frmPrincipal();
    QObject::connect(gInstancia.get(), &InstanciaUnica::ActivacionPedida, gPrincipal,
                     &frmPrincipal::Activar);
    gPrincipal->show();
    return true;
}

void TerminarPrograma() {
    delete gPrincipal;
    gPrincipal = nullptr;
    gSistemaArchivos.reset();
    gConexion.reset();
    gInstancia.reset();
}

int EjecutarPrograma() {
    try {
        if (!Main())
            return 0;
    } catch (const ErrorEjecucion& e) {
        ReporteErrorPredeterminado(e);
        TerminarPrograma();
        return EstadoErrorNoControlado;
    }
    const int estado = QApplication::exec();
    TerminarPrograma();
    return estado;
}
