// The window on a generated debit file of a million 60-character records,
// side by side with batch mode on the same file: from the click on Aceptar,
// the time until the progress dialog shows and until the listing's first page
// is on screen, against the batch run's time plus the window's 2 s pause.
// Both replace the rows of an earlier run of the file; they alternate, each
// after the same few seconds' rest, and the median of the rounds is given.
//
//   bench_ventana [lineas] [rondas]
//
// With "historial": Ctrl+H over an empty history and then over one of
// `filas` runs of a thousand files, in one process: the time until the
// table is on screen, the memory the process grows by meanwhile (resident
// and peak), each column's sort and each keystroke of a file's name typed,
// mistyped and erased, from the key to the rows on screen.
//
//   bench_ventana historial [filas]

#include "generar.h"

#include "app/frmHistorial.h"
#include "app/frmPrincipal.h"
#include "platform/archivos/SistemaArchivos.h"
#include "platform/base/BaseDatos.h"
#include "platform/base/Conexion.h"
#include "platform/gui/LienzoPaginas.h"
#include "platform/gui/VistaPrevia.h"
#include "platform/proceso/ArchivosPrograma.h"
#include "run/Programa.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QProgressDialog>
#include <QTableView>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
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

// A field of /proc/self/status, in kB.
long Estado(const QByteArray& campo) {
    QFile estado(QStringLiteral("/proc/self/status"));
    estado.open(QIODevice::ReadOnly);
    for (const QByteArray& linea : estado.readAll().split('\n'))
        if (linea.startsWith(campo))
            return linea.mid(campo.size()).trimmed().split(' ').value(0).toLong();
    return -1;
}

// The process's processor time, in ms: on a busy machine the wall clock
// also counts the waits for a processor.
double Cpu() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Wall clock and processor time since `Iniciar`, in ms.
struct Cronometro {
    QElapsedTimer reloj;
    double cpu = 0;
    void Iniciar() {
        cpu = Cpu();
        reloj.start();
    }
    std::pair<double, double> Medida() const {
        return {double(reloj.nsecsElapsed()) / 1e6, Cpu() - cpu};
    }
};

QByteArray Texto(std::vector<std::pair<double, double>> medidas, bool mediana) {
    std::sort(medidas.begin(), medidas.end());
    const auto m = mediana ? medidas[medidas.size() / 2] : medidas.back();
    return QByteArray::number(m.first, 'f', 0) + " ms (CPU " +
           QByteArray::number(m.second, 'f', 0) + " ms)";
}

void MedirHistorial(frmPrincipal* ventana, const char* titulo) {
    QApplication::processEvents();
    // The peak from here on.
    QFile picos(QStringLiteral("/proc/self/clear_refs"));
    if (picos.open(QIODevice::WriteOnly))
        picos.write("5");
    picos.close();
    const long antes = Estado("VmRSS:");
    Cronometro reloj;
    reloj.Iniciar();
    for (QAction* accion : ventana->actions())
        if (accion->shortcut() == QKeySequence(Qt::CTRL | Qt::Key_H))
            accion->trigger();
    auto* dialogo = ventana->findChild<frmHistorial*>();
    auto* tabla = dialogo->findChild<QTableView*>();
    tabla->viewport()->grab();
    const auto abrir = reloj.Medida();
    const long abierto = Estado("VmRSS:");

    std::vector<std::pair<double, double>> ordenes;
    // Every other column, then back to the newest first.
    for (const int columna : {2, 3, 4, 5, 6, 7, 1}) {
        for (QAction* accion : dialogo->actions())
            if (accion->shortcut() == QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_0 + columna))) {
                reloj.Iniciar();
                accion->trigger();
                tabla->viewport()->grab();
                ordenes.push_back(reloj.Medida());
            }
    }
    // The filter answers after its pause, the timer's last receiver.
    auto* pausa = dialogo->findChild<QTimer*>();
    bool listo = false;
    QObject::connect(pausa, &QTimer::timeout, [&listo] { listo = true; });
    auto* filtro = dialogo->findChild<QLineEdit*>(QStringLiteral("txtArchivo"));
    const QString nombre = QStringLiteral("cobranza_0417.txtx");
    QStringList textos;
    for (int i = 1; i <= nombre.size(); ++i)
        textos << nombre.left(i);
    for (int i = nombre.size() - 1; i >= 0; --i)
        textos << nombre.left(i);
    std::vector<std::pair<double, double>> teclas;
    int filas = 0;
    for (const QString& texto : std::as_const(textos)) {
        listo = false;
        reloj.Iniciar();
        filtro->setText(texto);
        while (!listo)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        tabla->viewport()->grab();
        const auto medida = reloj.Medida();
        teclas.emplace_back(medida.first - pausa->interval(), medida.second);
        if (texto == nombre.chopped(1))
            filas = tabla->model()->rowCount();
    }
    std::printf("%s\n  abre en %.0f ms (CPU %.0f ms); memoria %+ld MB abierta, pico %+ld MB "
                "(el proceso: %ld MB, pico %ld MB)\n"
                "  orden por cada columna: la más lenta %s\n"
                "  tecla, tras %d ms de pausa: mediana %s, la más lenta %s "
                "(\"%s\": %d filas a la vista)\n",
                titulo, abrir.first, abrir.second, (abierto - antes) / 1024,
                (Estado("VmHWM:") - antes) / 1024, Estado("VmRSS:") / 1024, Estado("VmHWM:") / 1024,
                Texto(ordenes, false).constData(), pausa->interval(),
                Texto(teclas, true).constData(), Texto(teclas, false).constData(),
                qPrintable(nombre.chopped(1)), filas);
    std::printf("  cada tecla (el texto que deja, ms):");
    for (std::size_t i = 0; i < teclas.size(); ++i)
        std::printf(" \"%s\" %.0f", qPrintable(textos[qsizetype(i)]), teclas[i].first);
    std::printf("\n");
    std::fflush(stdout);
    delete dialogo;
}

// `filas` runs of a thousand files, a minute apart, one in ten failed; the
// indexes built after the rows, as an upgrade builds them.
void LlenarHistorial(Conexion& conexion, int filas) {
    QStringList indices;
    conexion.Consultar(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'index' AND "
                                      "tbl_name = 'Historial'"),
                       [&](const QStringList& fila) {
                           indices << fila.value(0);
                           return true;
                       });
    conexion.BeginTrans();
    for (const QString& indice : std::as_const(indices))
        conexion.Execute(QStringLiteral("DROP INDEX ") + indice);
    conexion.Execute(
        QStringLiteral(
            "WITH RECURSIVE n (i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
            "INSERT INTO Historial (inicio, fin, modo, usuario, equipo, version, motor, servidor, "
            "base, archivo, ruta, tamano, modificado, sha256, codigo, lineas, filas, corrida, "
            "resultado, error_numero, error_descripcion, cadena) SELECT "
            "strftime('%Y-%m-%dT%H:%M:%fZ', 1600000000 + i * 60, 'unixepoch'), "
            "strftime('%Y-%m-%dT%H:%M:%fZ', 1600000005 + i * 60, 'unixepoch'), 'ventana', "
            "'usuario' || (i % 7), 'equipo' || (i % 13), '1.4.0', 'sqlite', '', 'Cobranzia.mdb', "
            "printf('cobranza_%04d.txt', i * 7919 % 1000), "
            "printf('/home/usuario/debitos/cobranza_%04d.txt', i * 7919 % 1000), 62000000, "
            "'2026-12-07T10:00:00.000Z', lower(hex(randomblob(32))), lower(hex(randomblob(16))), "
            "1000000, i * 7919 % 1000000, lower(hex(randomblob(16))), CASE WHEN i % 10 = 0 THEN "
            "'fallida' ELSE 'completada' END, CASE WHEN i % 10 = 0 THEN 53 ELSE 0 END, CASE WHEN "
            "i % 10 = 0 THEN 'No se encontró el archivo' ELSE '' END, lower(hex(randomblob(32))) "
            "FROM n")
            .arg(filas));
    for (const char* const guion : {ActualizacionHistorial, ActualizacionIndicesHistorial})
        for (const QString& sentencia : QString::fromUtf8(guion).split(u';', Qt::SkipEmptyParts))
            conexion.Execute(sentencia);
    conexion.CommitTrans();
}

// The history filled by another process: what it leaves in memory is not
// this one's.
int HistorialGrande(int filas) {
    QTemporaryDir dir;
    const auto programa = [&dir](const QString& nombre) {
        QDir(dir.path()).mkdir(nombre);
        auto nuevo = std::make_unique<Programa>(QStringLiteral(COBRANZIA_PROGRAMA_DIR),
                                                dir.filePath(nombre));
        bool creada = false;
        QString error;
        CrearBaseDatos(nuevo->BaseDatos(), ArchivosPrograma::ContrasenaBase, &creada, &error);
        return nuevo;
    };
    const auto medir = [](Programa& en, const char* titulo) {
        en.AbrirConexion();
        auto* ventana = new frmPrincipal(en);
        ventana->show();
        MedirHistorial(ventana, titulo);
        delete ventana;
    };
    const std::unique_ptr<Programa> vacio = programa(QStringLiteral("vacio"));
    const std::unique_ptr<Programa> lleno = programa(QStringLiteral("lleno"));
    QProcess::execute(QCoreApplication::applicationFilePath(),
                      {QStringLiteral("--llenar"), dir.filePath(QStringLiteral("lleno")),
                       QString::number(filas)});
    medir(*vacio, "historial vacío:");
    medir(*lleno, (QByteArray::number(filas) + " corridas:").constData());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir dir;
    qputenv("ODBCINI", QFile::encodeName(dir.filePath(QStringLiteral("odbc.ini"))));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication aplicacion(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--llenar") == 0) {
        Programa programa(QStringLiteral(COBRANZIA_PROGRAMA_DIR), QString::fromLocal8Bit(argv[2]));
        programa.AbrirConexion();
        LlenarHistorial(*programa.gConexion(), std::atoi(argv[3]));
        return 0;
    }
    if (argc > 1 && qstrcmp(argv[1], "historial") == 0)
        return HistorialGrande(argc > 2 ? std::atoi(argv[2]) : 1000000);
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
