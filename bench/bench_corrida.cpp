// The control-code run on generated debit files: a million 60-character
// records with CR LF (about 61 MB), and 5,000 of them. Measures the batch
// program as an operator's script runs it (wall time and peak memory of the
// process) and the run alone inside this process.
//
//   bench_corrida [lineas]

#include "app/modGral.h"
#include "platform/BaseDatos.h"
#include "platform/Conexion.h"
#include "platform/Programa.h"
#include "platform/SistemaArchivos.h"
#include "run/CorridaControl.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

void GenerarArchivo(const QString& ruta, int lineas) {
    QFile archivo(ruta);
    archivo.open(QIODevice::WriteOnly);
    QByteArray bloque;
    auto registro = [](char tipo, int n) {
        QByteArray r = tipo + QByteArray::number(n).rightJustified(8, '0') + "ES" +
                       QByteArray::number(qint64(n) * 7919 % 100000000).rightJustified(22, '0') +
                       QByteArray::number(n % 99991).rightJustified(12, '0') + "COBRO CUOTA";
        return r.leftJustified(60, ' ', true) + "\r\n";
    };
    bloque += registro('H', 0);
    for (int i = 1; i <= lineas - 2; ++i) {
        bloque += registro('D', i);
        if (bloque.size() > (1 << 20)) {
            archivo.write(bloque);
            bloque.clear();
        }
    }
    bloque += registro('T', lineas);
    archivo.write(bloque);
}

struct Medida {
    double segundos;
    long picoKiB;
};

// Runs the program folder's executable in batch mode, as a script would.
Medida Lote(const QString& programa, const QString& archivo) {
    QElapsedTimer reloj;
    reloj.start();
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        const QByteArray p = QFile::encodeName(programa);
        const QByteArray a = QFile::encodeName(archivo);
        if (!freopen("/dev/null", "w", stdout))
            _exit(127);
        execl(p.constData(), p.constData(), "--procesar", a.constData(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    int estado = 0;
    rusage uso{};
    wait4(pid, &estado, 0, &uso);
    if (!WIFEXITED(estado) || WEXITSTATUS(estado) != 0)
        std::fprintf(stderr, "el programa terminó con estado %d\n", WEXITSTATUS(estado));
    return {double(reloj.nsecsElapsed()) / 1e9, uso.ru_maxrss};
}

double EnProceso(const QString& carpeta, const QString& archivo) {
    Conexion conexion;
    conexion.SetConnectionString(CadenaConexion(carpeta));
    conexion.Open();
    SistemaArchivos sistema;
    QElapsedTimer reloj;
    reloj.start();
    EjecutarCorrida(conexion, sistema, archivo);
    return double(reloj.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication aplicacion(argc, argv);
    const int lineas = argc > 1 ? std::atoi(argv[1]) : 1000000;
    QTemporaryDir dir;
    const QString carpeta = dir.path();
    for (const char* nombre : {"cobranzia", "libmd5.so"})
        QFile::copy(QStringLiteral(COBRANZIA_PROGRAMA_DIR "/") + QLatin1String(nombre),
                    carpeta + QLatin1Char('/') + QLatin1String(nombre));
    QFile::setPermissions(carpeta + QStringLiteral("/cobranzia"),
                          QFile::ReadOwner | QFile::ExeOwner);
    bool creada = false;
    QString error;
    CrearBaseDatos(carpeta + QStringLiteral("/Cobranzia.mdb"), QStringLiteral("tornasolmivel"),
                   &creada, &error);
    EstablecerRutaPrograma(carpeta);
    qputenv("ODBCINI", QFile::encodeName(carpeta + QStringLiteral("/odbc.ini")));

    const QString grande = carpeta + QStringLiteral("/grande.txt");
    const QString chico = carpeta + QStringLiteral("/chico.txt");
    GenerarArchivo(grande, lineas);
    GenerarArchivo(chico, 5000);
    std::printf("archivo: %d líneas, %lld bytes\n", lineas, QFileInfo(grande).size());

    const QString programa = carpeta + QStringLiteral("/cobranzia");
    const Medida primera = Lote(programa, grande);
    std::printf("lote, base vacía:             %.2f s, pico %ld MiB\n", primera.segundos,
                primera.picoKiB / 1024);
    const Medida segunda = Lote(programa, grande);
    std::printf("lote, reemplazando sus filas: %.2f s, pico %ld MiB\n", segunda.segundos,
                segunda.picoKiB / 1024);
    const Medida pequena = Lote(programa, chico);
    std::printf("lote, 5.000 líneas:           %.0f ms, pico %ld MiB\n", pequena.segundos * 1000,
                pequena.picoKiB / 1024);
    std::printf("corrida en proceso, 5.000:    %.1f ms\n", EnProceso(carpeta, chico) * 1000);
    std::printf("corrida en proceso, grande:   %.2f s\n", EnProceso(carpeta, grande));
    return 0;
}
