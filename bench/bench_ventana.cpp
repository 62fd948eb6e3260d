// The window on a generated debit file of a million 60-character records,
// side by side with batch mode on the same file: from the click on Aceptar,
// the time until the progress dialog shows and until the listing's first page
// is on screen, against the batch run's time plus the window's 2 s pause.
// Both replace the rows of an earlier run of the file.
//
//   bench_ventana [lineas]

#include "generar.h"

#include "app/frmPrincipal.h"
#include "platform/BaseDatos.h"
#include "platform/Conexion.h"
#include "platform/SistemaArchivos.h"
#include "platform/gui/LienzoPaginas.h"
#include "platform/gui/VistaPrevia.h"
#include "run/Programa.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

double Lotes(const QString& datos, const QString& archivo) {
    QElapsedTimer reloj;
    reloj.start();
    QProcess::execute(QStringLiteral(COBRANZIA_PROGRAMA_DIR "/cobranzia"),
                      {QStringLiteral("--datos"), datos, QStringLiteral("--procesar"), archivo});
    return double(reloj.nsecsElapsed()) / 1e9;
}

VistaPrevia* Vista() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* v = qobject_cast<VistaPrevia*>(w); v && v->isVisible())
            return v;
    return nullptr;
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir dir;
    qputenv("ODBCINI", QFile::encodeName(dir.filePath(QStringLiteral("odbc.ini"))));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication aplicacion(argc, argv);
    const int lineas = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const QString archivo = dir.filePath(QStringLiteral("grande.txt"));
    GenerarArchivo(archivo, lineas);

    Programa programa(QStringLiteral(COBRANZIA_PROGRAMA_DIR), dir.path());
    bool creada = false;
    QString error;
    CrearBaseDatos(programa.BaseDatos(), TextosPrograma::Contrasena, &creada, &error);
    Lotes(dir.path(), archivo);
    const double lotes = Lotes(dir.path(), archivo);

    programa.gSistemaArchivos = std::make_unique<SistemaArchivos>();
    programa.gConexion = std::make_unique<Conexion>();
    programa.gConexion->SetConnectionString(programa.CadenaConexion());
    programa.gConexion->Open();
    auto* ventana = new frmPrincipal(programa);
    ventana->show();
    ventana->findChild<QLineEdit*>(QStringLiteral("txtRutaArchivo"))->setText(archivo);

    QElapsedTimer reloj;
    double progreso = -1;
    QTimer vigia;
    QObject::connect(&vigia, &QTimer::timeout, [&] {
        if (const auto* d = ventana->findChild<QProgressDialog*>();
            progreso < 0 && d && d->isVisible())
            progreso = double(reloj.nsecsElapsed()) / 1e9;
    });
    vigia.start(5);
    reloj.start();
    ventana->findChild<QAbstractButton*>(QStringLiteral("cmdAceptar"))->click();
    VistaPrevia* vista = Vista();
    if (!vista) {
        std::printf("sin listado\n");
        return 1;
    }
    QApplication::processEvents();
    vista->Lienzo()->viewport()->grab();
    const double listado = double(reloj.nsecsElapsed()) / 1e9;
    std::printf("%d líneas\n", lineas);
    std::printf("lotes, reemplazando:              %6.2f s\n", lotes);
    std::printf("ventana, primer progreso:         %6.2f s\n", progreso);
    std::printf("ventana, primera página en pantalla: %6.2f s (lotes + 2 s de pausa: %.2f s)\n",
                listado, lotes + 2);
    delete vista;
    delete ventana;
    return 0;
}
