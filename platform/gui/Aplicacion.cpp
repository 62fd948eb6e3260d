#include "platform/gui/Aplicacion.h"

#include "platform/ErrorEjecucion.h"
#include "platform/Mensajes.h"
#include "platform/TextoVisible.h"
#include "platform/gui/Puntero.h"

#include <QMessageBox>

Aplicacion::Aplicacion(int& argc, char** argv)
    : QApplication(argc, argv) {
    setOrganizationName(TituloAplicacion);
    setQuitOnLastWindowClosed(true);
}

bool Aplicacion::notify(QObject* receptor, QEvent* evento) {
    try {
        return QApplication::notify(receptor, evento);
    } catch (const ErrorEjecucion& e) {
        ReporteErrorPredeterminado(e);
    } catch (const std::bad_alloc&) {
        ReporteErrorPredeterminado(ErrorEjecucion(7, QStringLiteral("Memoria insuficiente")));
    }
    // The program ends here, as the runtime ends it: every event loop returns
    // and nothing more is handled.
    QCoreApplication::exit(EstadoErrorNoControlado);
    return true;
}

void InstalarCajasDeMensaje() {
    EstablecerPresentadorMensajes([](const QString& texto, IconoMensaje icono) {
        QMessageBox caja(QApplication::activeWindow());
        caja.setWindowTitle(TituloAplicacion);
        caja.setText(texto);
        caja.setStandardButtons(QMessageBox::Ok);
        switch (icono) {
        case IconoMensaje::Exclamacion:
            caja.setIcon(QMessageBox::Warning);
            break;
        case IconoMensaje::Critico:
            caja.setIcon(QMessageBox::Critical);
            break;
        case IconoMensaje::Ninguno:
            caja.setIcon(QMessageBox::NoIcon);
            break;
        }
        caja.exec();
    });
}

void ReporteErrorPredeterminado(const ErrorEjecucion& error) {
    EstablecerPuntero(PunteroPredeterminado);
    MsgBox(QStringLiteral("Error en tiempo de ejecución '%1':\n\n%2")
               .arg(error.Numero())
               .arg(TextoVisible(error.Descripcion())),
           IconoMensaje::Critico);
}
