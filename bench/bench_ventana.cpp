// The window on a generated debit file of a million 60-character records,
// side by side with batch mode on the same file: from the click on Aceptar,
// the time until the progress dialog shows and until the listing's first page
// is on screen, against the batch run's time plus the window's 2 s pause.
// Both replace the rows of an earlier run of the file; they alternate, each
// after the same few seconds' rest, and the median of the rounds is given.
//
//   bench_ventana [lineas] [rondas]

#include "generar.h"

#include "app/frmPrincipal.h"
#include "platform/archivos/SistemaArchivos.h"
#include "platform/base/BaseDatos.h"
#include "platform/base/Conexion.h"
#include "platform/gui/LienzoPaginas.h"
#include "platform/gui/VistaPrevia.h"
#include "platform/proceso/ArchivosPrograma.h"
#include "run/Programa.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr unsigned long kReposo = 3;

double Lotes(const QString& datos, const QString& archivo) {
    QElapsedTimer reloj;
    reloj.start();
    QProcess lote;
    lote.setStandardOutputFile(QProcess::nullDevice());
    lote.start(QStringLiteral(COBRANZIA_PROGRAMA_DIR "/cobranzia"),
               {QStringLiteral("--datos"), datos, QStringLiteral("--procesar"), archivo});
    lote.waitForFinished(-1);
    return double(reloj.nsecsElapsed()) / 1e9;
}

double Mediana(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
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
    const int rondas = argc > 2 ? std::atoi(argv[2]) : 3;
    const QString archivo = dir.filePath(QStringLiteral("grande.txt"));
    GenerarArchivo(archivo, lineas);

    Programa programa(QStringLiteral(COBRANZIA_PROGRAMA_DIR), dir.path());
    bool creada = false;
    QString error;
    CrearBaseDatos(programa.BaseDatos(), ArchivosPrograma::ContrasenaBase, &creada, &error);
    Lotes(dir.path(), archivo);

    programa.AbrirConexion();
    auto* ventana = new frmPrincipal(programa);
    ventana->show();
    ventana->findChild<QLineEdit*>(QStringLiteral("txtRutaArchivo"))->setText(archivo);

    std::vector<double> lotes, progreso, listado;
    for (int ronda = 0; ronda < rondas; ++ronda) {
        // Each starts after the same rest, so that neither meets the other's
        // writes still on their way to the disk.
        QThread::sleep(kReposo);
        lotes.push_back(Lotes(dir.path(), archivo));
        QThread::sleep(kReposo);
        QElapsedTimer reloj;
        double visto = -1;
        QTimer vigia;
        QObject::connect(&vigia, &QTimer::timeout, [&] {
            if (const auto* d = ventana->findChild<QProgressDialog*>();
                visto < 0 && d && d->isVisible())
                visto = double(reloj.nsecsElapsed()) / 1e9;
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
        listado.push_back(double(reloj.nsecsElapsed()) / 1e9);
        progreso.push_back(visto);
        delete vista;
    }
    std::printf("%d líneas, mediana de %d rondas\n", lineas, rondas);
    std::printf("lotes, reemplazando:                  %6.2f s\n", Mediana(lotes));
    std::printf("ventana, primer progreso:             %6.2f s\n", Mediana(progreso));
    std::printf("ventana, primera página en pantalla:  %6.2f s (lotes + 2 s de pausa: %.2f s)\n",
                Mediana(listado), Mediana(lotes) + 2);
    delete ventana;
    return 0;
}
