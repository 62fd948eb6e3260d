#include "app/modGral.h"

#include "app/frmPrincipal.h"
#include "platform/gui/Aplicacion.h"
#include "platform/proceso/ErrorEjecucion.h"
#include "platform/proceso/InstanciaUnica.h"
#include "platform/proceso/Mensajes.h"
#include "run/Programa.h"

#include <QFileInfo>
#include <QPointer>

frmPrincipal* Main(Programa& programa, InstanciaUnica& instancia) {
    if (instancia.PrevInstance())
        return nullptr;

    if (const std::optional<QString> motivo = programa.Abrir({}))
        MsgBox(TextosPrograma::AvisoDsn + u'\n' + *motivo, IconoMensaje::Exclamacion);

    auto* ventana = new frmPrincipal(programa);
    QObject::connect(&instancia, &InstanciaUnica::ActivacionPedida, ventana,
                     &frmPrincipal::AbrirArchivo);
    ventana->show();
    return ventana;
}

int EjecutarPrograma(Programa& programa, const QString& datos, const QString& servidor,
                     const QString& archivo) {
    const QString ruta = archivo.isEmpty() ? archivo : QFileInfo(archivo).absoluteFilePath();
    QPointer<frmPrincipal> ventana;
    int estado = 0;
    try {
        programa.Elegir(datos, servidor);
        InstanciaUnica instancia(InstanciaUnica::ClavePrograma(programa.RutaDatos()), ruta);
        ventana = Main(programa, instancia);
        if (ventana) {
            ventana->AbrirArchivo(ruta);
            estado = QApplication::exec();
        }
    } catch (const ErrorEjecucion& e) {
        ReporteErrorPredeterminado(e);
        estado = EstadoErrorNoControlado;
    }
    delete ventana.data();
    programa.Cerrar();
    return estado;
}
