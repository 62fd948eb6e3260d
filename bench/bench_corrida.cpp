// The batch run on generated debit files, a million 60-character records with
// CR LF (about 61 MB) and 5,000 of them, against the floor program (plain C
// over SQLite and libmd) on the same file, side by side: the two alternate,
// each on a database of its own, fresh and then replacing its million rows.
// Wall time and peak memory of each process; the median of the rounds.
//
//   bench_corrida [lineas] [rondas]

#include "generar.h"
#include "platform/base/BaseDatos.h"
#include "platform/proceso/ArchivosPrograma.h"
#include "run/Programa.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Medida {
    double segundos = 0;
    long picoKiB = 0;
};

// Runs a command with its output thrown away, as a script would.
Medida Ejecutar(const std::vector<QByteArray>& orden) {
    QElapsedTimer reloj;
    reloj.start();
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> argumentos;
        for (const QByteArray& a : orden)
            argumentos.push_back(const_cast<char*>(a.constData()));
        argumentos.push_back(nullptr);
        if (!freopen("/dev/null", "w", stdout))
            _exit(127);
        execv(argumentos[0], argumentos.data());
        _exit(127);
    }
    int estado = 0;
    rusage uso{};
    wait4(pid, &estado, 0, &uso);
    if (!WIFEXITED(estado) || WEXITSTATUS(estado) != 0)
        std::fprintf(stderr, "%s terminó con estado %d\n", orden[0].constData(),
                     WEXITSTATUS(estado));
    return {double(reloj.nsecsElapsed()) / 1e9, uso.ru_maxrss};
}

Medida Mediana(std::vector<Medida> medidas) {
    std::sort(medidas.begin(), medidas.end(),
              [](const Medida& a, const Medida& b) { return a.segundos < b.segundos; });
    Medida m = medidas[medidas.size() / 2];
    for (const Medida& otra : medidas)
        m.picoKiB = std::max(m.picoKiB, otra.picoKiB);
    return m;
}

void Informe(const char* caso, const Medida& programa, const Medida& piso) {
    std::printf("%-28s programa %6.2f s (pico %3ld MiB)   piso %6.2f s (pico %3ld MiB)   %.2f×\n",
                caso, programa.segundos, programa.picoKiB / 1024, piso.segundos,
                piso.picoKiB / 1024, programa.segundos / piso.segundos);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication aplicacion(argc, argv);
    const int lineas = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int rondas = argc > 2 ? std::atoi(argv[2]) : 3;
    QTemporaryDir dir;
    qputenv("ODBCINI", QFile::encodeName(dir.filePath(QStringLiteral("odbc.ini"))));
    const QByteArray grande = QFile::encodeName(dir.filePath(QStringLiteral("grande.txt")));
    const QByteArray chico = QFile::encodeName(dir.filePath(QStringLiteral("chico.txt")));
    GenerarArchivo(QFile::decodeName(grande), lineas);
    GenerarArchivo(QFile::decodeName(chico), 5000);
    std::printf("archivo: %d líneas, %lld bytes; %d rondas\n", lineas,
                QFileInfo(QFile::decodeName(grande)).size(), rondas);

    std::vector<Medida> nueva[2], reemplazo[2], pequena[2], terminal[2];
    for (int r = 0; r < rondas; ++r) {
        const QByteArray programa =
            QFile::encodeName(CarpetaPrograma(dir, QStringLiteral("p%1").arg(r)));
        const QByteArray piso =
            QFile::encodeName(CarpetaPrograma(dir, QStringLiteral("s%1").arg(r)));
        const QByteArray ejecutable = programa + "/cobranzia";
        const QByteArray basePiso = piso + "/Cobranzia.mdb";
        for (int vez = 0; vez < 2; ++vez) {
            auto& destino = vez == 0 ? nueva : reemplazo;
            destino[0].push_back(Ejecutar({ejecutable, "--procesar", grande}));
            destino[1].push_back(Ejecutar({COBRANZIA_PISO, basePiso, grande}));
        }
        pequena[0].push_back(Ejecutar({ejecutable, "--procesar", chico}));
        pequena[1].push_back(Ejecutar({COBRANZIA_PISO, basePiso, chico}));
        // The same run on a terminal, where it shows its progress, against
        // the run in a pipe.
        terminal[0].push_back(Ejecutar(
            {"/usr/bin/script", "-qec", ejecutable + " --procesar " + grande, "/dev/null"}));
        terminal[1].push_back(Ejecutar({ejecutable, "--procesar", grande}));
    }
    Informe("base vacía:", Mediana(nueva[0]), Mediana(nueva[1]));
    Informe("reemplazando sus filas:", Mediana(reemplazo[0]), Mediana(reemplazo[1]));
    Informe("5.000 líneas:", Mediana(pequena[0]), Mediana(pequena[1]));
    const Medida con = Mediana(terminal[0]);
    const Medida sin = Mediana(terminal[1]);
    std::printf("progreso en una terminal:    %6.2f s, sin progreso %6.2f s: %+.1f %%\n",
                con.segundos, sin.segundos, (con.segundos / sin.segundos - 1) * 100);
    return 0;
}
