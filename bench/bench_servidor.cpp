// The control-code run on a generated debit file of a million 60-character
// records, on a throwaway local PostgreSQL server and on the embedded SQLite
// engine, side by side: the first run into empty tables, then the same run
// replacing its own rows. Each engine runs in a process of its own, so that
// each peak of memory and time of processor is its own; the server's
// processes are not counted.
//
//   bench_servidor [lineas]
//
// With PRUEBA_SERVIDOR set (a libpq connection string) it uses that server;
// otherwise it starts one with tests/servidor/servidor.sh and removes it.

#include "platform/BaseDatos.h"
#include "platform/Conexion.h"
#include "platform/ErrorEjecucion.h"
#include "platform/SistemaArchivos.h"
#include "run/CorridaControl.h"
#include "run/Programa.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
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

double Corrida(Programa& programa, const QString& archivo, qint64* filas) {
    QElapsedTimer reloj;
    reloj.start();
    *filas = EjecutarCorrida(programa, archivo).filas;
    return double(reloj.nsecsElapsed()) / 1e9;
}

// Both runs of one engine in a child process; prints its times and its peak.
void Medir(const char* motor, const QString& cadena, const QString& datos, const QString& archivo) {
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        Programa programa(QStringLiteral(COBRANZIA_PROGRAMA_DIR), datos);
        programa.gSistemaArchivos = std::make_unique<SistemaArchivos>();
        programa.gConexion = std::make_unique<Conexion>();
        try {
            programa.gConexion->SetConnectionString(cadena);
            programa.gConexion->Open();
            qint64 filas = 0;
            const double vacia = Corrida(programa, archivo, &filas);
            const double reemplazo = Corrida(programa, archivo, &filas);
            std::printf("%-10s %10.2f s %14.2f s %10lld", motor, vacia, reemplazo, filas);
        } catch (const ErrorEjecucion& e) {
            std::printf("%-10s error: %s", motor, e.what());
        }
        std::fflush(stdout);
        _exit(0);
    }
    int estado = 0;
    rusage uso{};
    wait4(pid, &estado, 0, &uso);
    const double cpu = double(uso.ru_utime.tv_sec + uso.ru_stime.tv_sec) +
                       double(uso.ru_utime.tv_usec + uso.ru_stime.tv_usec) / 1e6;
    std::printf("   cpu %.2f s   pico %ld MiB\n", cpu, uso.ru_maxrss / 1024);
}

int Guion(const QString& accion, const QString& carpeta) {
    return QProcess::execute(QStringLiteral(COBRANZIA_FUENTES "/tests/servidor/servidor.sh"),
                             {accion, carpeta});
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication aplicacion(argc, argv);
    const int lineas = argc > 1 ? std::atoi(argv[1]) : 1000000;
    QTemporaryDir dir;
    const QString archivo = dir.filePath(QStringLiteral("grande.txt"));
    GenerarArchivo(archivo, lineas);
    std::printf("archivo: %d líneas, %lld bytes\n", lineas, QFileInfo(archivo).size());

    QString servidor = qEnvironmentVariable("PRUEBA_SERVIDOR");
    const QString carpetaServidor =
        QStringLiteral("/tmp/cobranzia-bench-%1").arg(QCoreApplication::applicationPid());
    const bool propio = servidor.isEmpty();
    if (propio) {
        if (Guion(QStringLiteral("inicio"), carpetaServidor) != 0)
            return 1;
        qputenv("PGPASSFILE", QFile::encodeName(carpetaServidor + QStringLiteral("/pgpass")));
        servidor =
            QStringLiteral("host=%1/socket dbname=cobranzia user=cobranzia").arg(carpetaServidor);
    }

    bool creada = false;
    QString error;
    Programa programa(QStringLiteral(COBRANZIA_PROGRAMA_DIR), dir.path());
    CrearBaseDatos(programa.BaseDatos(), TextosPrograma::Contrasena, &creada, &error);

    std::printf("%-10s %12s %16s %10s\n", "motor", "tabla vacía", "reemplazando", "filas");
    Medir("servidor", servidor, dir.path(), archivo);
    Medir("embebido", programa.CadenaConexion(), dir.path(), archivo);
    if (propio)
        Guion(QStringLiteral("fin"), carpetaServidor);
    return 0;
}
