// What the run history costs, side by side in one process on one file of a
// million lines: the run with its history row, against the history's own
// work measured apart on the same file and database: the SHA-256 of the
// file's bytes (taken during the run's read) and the row itself (the chain's
// last link read, the row added). Then the first page of `--historial` over
// a history of 100,000 rows, as a terminal would show it.
//
//   bench_historial [lineas] [rondas]

#include "generar.h"
#include "platform/archivos/ResumenSha256.h"
#include "platform/base/BaseDatos.h"
#include "platform/base/Conexion.h"
#include "platform/proceso/ArchivosPrograma.h"
#include "run/CorridaControl.h"
#include "run/Historial.h"
#include "run/Programa.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

double Mediana(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Segundos(const std::function<void()>& paso) {
    QElapsedTimer reloj;
    reloj.start();
    paso();
    return double(reloj.nsecsElapsed()) / 1e9;
}

// The SHA-256 of the file, read in the blocks the run reads it in.
void Sha256(const QString& ruta) {
    QFile archivo(ruta);
    archivo.open(QIODevice::ReadOnly);
    ResumenSha256 resumen;
    QByteArray bloque(256 * 1024, Qt::Uninitialized);
    qint64 leidos;
    while ((leidos = archivo.read(bloque.data(), bloque.size())) > 0)
        resumen.Agregar(QByteArrayView(bloque.constData(), leidos));
    std::fprintf(stderr, "%s\r", resumen.Hexadecimal().constData());
}

// One history row, in a transaction of its own, as a failed run adds it.
void Fila(Programa& programa, const QString& ruta) {
    Historial::Fila fila = Historial::Nueva(programa, ruta);
    Conexion& conexion = *programa.gConexion();
    conexion.BeginTrans();
    Historial::Agregar(conexion, fila);
    conexion.CommitTrans();
}

// `cobranzia --historial` on the program folder: the seconds until its first
// `lineas` lines have come through the pipe.
double PrimeraPagina(const QString& carpeta, int lineas) {
    int tubo[2];
    if (pipe(tubo) != 0)
        return -1;
    QElapsedTimer reloj;
    reloj.start();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(tubo[1], STDOUT_FILENO);
        close(tubo[0]);
        const QByteArray ejecutable = QFile::encodeName(carpeta + QStringLiteral("/cobranzia"));
        execl(ejecutable.constData(), ejecutable.constData(), "--historial",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(tubo[1]);
    int vistas = 0;
    char c;
    while (vistas < lineas && read(tubo[0], &c, 1) == 1)
        vistas += c == '\n';
    const double segundos = double(reloj.nsecsElapsed()) / 1e9;
    close(tubo[0]);
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    return vistas == lineas ? segundos : -1;
}

// Copies the last row until the history holds `filas` rows.
void LlenarHistorial(const QString& carpeta, int filas) {
    Programa programa(carpeta, carpeta);
    programa.AbrirConexion();
    Fila(programa, carpeta + QStringLiteral("/lote.txt"));
    const QString columnas = Historial::Columnas().mid(1).join(QStringLiteral(", "));
    Conexion& conexion = *programa.gConexion();
    conexion.BeginTrans();
    for (int i = 1; i < filas; ++i)
        conexion.Execute(QStringLiteral("INSERT INTO Historial (%1) SELECT %1 FROM Historial "
                                        "WHERE id = 1")
                             .arg(columnas));
    conexion.CommitTrans();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication aplicacion(argc, argv);
    const int lineas = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int rondas = argc > 2 ? std::atoi(argv[2]) : 5;
    QTemporaryDir dir;
    qputenv("ODBCINI", QFile::encodeName(dir.filePath(QStringLiteral("odbc.ini"))));
    const QString grande = dir.filePath(QStringLiteral("grande.txt"));
    GenerarArchivo(grande, lineas);
    const QString carpeta = CarpetaPrograma(dir, QStringLiteral("p"));
    Programa programa(carpeta, carpeta);
    programa.AbrirConexion();

    std::vector<double> corrida, sha, fila;
    for (int r = 0; r < rondas; ++r) {
        corrida.push_back(Segundos([&] { EjecutarCorrida(programa, grande); }));
        sha.push_back(Segundos([&] { Sha256(grande); }));
        fila.push_back(Segundos([&] { Fila(programa, grande); }));
    }
    const double propio = Mediana(sha) + Mediana(fila);
    std::printf("corrida de %d líneas con su fila: %.3f s; SHA-256 %.1f ms, fila %.2f ms: "
                "el historial es %.1f %% de la corrida sin él\n",
                lineas, Mediana(corrida), Mediana(sha) * 1000, Mediana(fila) * 1000,
                propio / (Mediana(corrida) - propio) * 100);

    const QString otra = CarpetaPrograma(dir, QStringLiteral("h"));
    LlenarHistorial(otra, 100000);
    std::vector<double> pagina;
    for (int r = 0; r < rondas; ++r)
        pagina.push_back(PrimeraPagina(otra, 40));
    std::printf("--historial sobre 100.000 filas: primera página (40 líneas) en %.3f s\n",
                Mediana(pagina));
    return 0;
}
