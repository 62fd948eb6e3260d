#include "platform/gui/Aplicacion.h"

#include "platform/gui/Accesibilidad.h"
#include "platform/gui/EstiloFoco.h"
#include "platform/gui/Puntero.h"
#include "platform/gui/TextosVista.h"
#include "platform/gui/TraductorQt.h"
#include "platform/proceso/ErrorEjecucion.h"
#include "platform/proceso/Mensajes.h"
#include "platform/proceso/TextoVisible.h"

#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>

namespace {
const char kSinPantalla[] =
    "cobranzia: no hay pantalla donde abrir la ventana (ni DISPLAY ni WAYLAND_DISPLAY sirven); "
    "sin ella, use --procesar o --verificar\n";
} // namespace

std::unique_ptr<Aplicacion> CrearAplicacion(int& argc, char** argv) {
    // Qt's own words on the platform plugins would only add to the one line.
    const QtMessageHandler anterior =
        qInstallMessageHandler([](QtMsgType tipo, const QMessageLogContext&, const QString&) {
            if (tipo != QtFatalMsg)
                return;
            (void)std::fputs(kSinPantalla, stderr); // nowhere else to say it
            std::_Exit(2);
        });
    auto aplicacion = std::make_unique<Aplicacion>(argc, argv);
    qInstallMessageHandler(anterior);
    return aplicacion;
}

Aplicacion::Aplicacion(int& argc, char** argv)
    : QApplication(argc, argv) {
    setOrganizationName(TituloAplicacion);
    setDesktopFileName(QStringLiteral("com.cobranzia.Cobranzia"));
    setQuitOnLastWindowClosed(true);
    PrepararEscritorio();
}

void FijarLocaleDelSistema() {
    // Qt's file dialog writes dates and sizes in the system's locale, which Qt
    // reads from the environment once, at its first use; the C library's
    // locale is left as the user set it.
    const QByteArray antes = qgetenv("LC_ALL");
    const bool habia = qEnvironmentVariableIsSet("LC_ALL");
    qputenv("LC_ALL", "es_ES.UTF-8");
    const QLocale sistema = QLocale::system();
    Q_UNUSED(sistema);
    if (habia)
        qputenv("LC_ALL", antes);
    else
        qunsetenv("LC_ALL");
}

void PrepararEscritorio() {
    Q_INIT_RESOURCE(tema);
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
    const QString traducciones = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const char* modulo : {"qtbase_es", "qt_es"}) {
        auto* traductor = new QTranslator(QCoreApplication::instance());
        if (traductor->load(QLatin1String(modulo), traducciones))
            QCoreApplication::installTranslator(traductor);
        else
            delete traductor;
    }
    QCoreApplication::installTranslator(new TraductorQt(QCoreApplication::instance()));
    RegistrarAccesibilidad();
    // The desktop's own style, wrapped once.
    if (!qobject_cast<EstiloFoco*>(QApplication::style()))
        QApplication::setStyle(new EstiloFoco(QApplication::style()->name()));
    QIcon::setThemeSearchPaths(QIcon::themeSearchPaths() << QStringLiteral(":/iconos"));
    if (QIcon::themeName().isEmpty())
        QIcon::setThemeName(QStringLiteral("tema"));
    else
        QIcon::setFallbackThemeName(QStringLiteral("tema"));
}

bool Aplicacion::notify(QObject* receptor, QEvent* evento) {
    try {
        return QApplication::notify(receptor, evento);
    } catch (const ErrorEjecucion& e) {
        ReporteErrorPredeterminado(e);
    } catch (const std::bad_alloc&) {
        ReporteErrorPredeterminado(ErrorEjecucion(7, TextosVista::MemoriaInsuficiente));
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
    MsgBox(TextosVista::ErrorEnEjecucion.arg(error.Numero()).arg(TextoVisible(error.Descripcion())),
           IconoMensaje::Critico);
}
