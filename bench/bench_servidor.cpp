// The control-code run on a generated debit file of a million 60-character
// records, on a throwaway local PostgreSQL server and on the embedded SQLite
// engine, side by side: the first run into empty tables, then the same run
// replacing its own rows. Each engine runs in a process of its own, so that
// each peak of memory and time of processor is its own; the server's
// processes are not counted.
//
//   bench_servidor [lineas]
//
// Over TCP, in clear text and with TLS, the pair is measured three times,
// alternately. Every engine starts on empty tables.
//
// Then the listing of the million rows the runs left on the server, as the
// window opens it: the time until its first page is on screen.
//
// With PRUEBA_SERVIDOR set (a libpq connection string) it uses that server;
// otherwise it starts one with tests/servidor/servidor.sh and removes it.

#include "generar.h"
#include "platform/archivos/SistemaArchivos.h"
#include "platform/base/BaseDatos.h"
#include "platform/base/Conexion.h"
#include "platform/gui/ControlReporteVentana.h"
#include "platform/gui/LienzoPaginas.h"
#include "platform/gui/VistaPrevia.h"
#include "platform/proceso/ArchivosPrograma.h"
#include "platform/proceso/ErrorEjecucion.h"
#include "run/CorridaControl.h"
#include "run/Listado.h"
#include "run/Programa.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

#include <libpq-fe.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

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
        try {
            // The embedded database is the one with no server.
            if (cadena != programa.CadenaConexion())
                programa.ElegirServidor(cadena, QString());
            programa.AbrirConexion();
            // Each engine starts on empty tables, whatever the one before left.
            if (programa.EnServidor())
                programa.gConexion()->Execute(QStringLiteral("TRUNCATE Datos, Corridas"));
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

// The listing of the file's rows on the server, in a process of its own with
// a QApplication: PrintReport until the first page is painted.
int PrimeraPagina(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication aplicacion(argc, argv);
    const QString servidor = QString::fromLocal8Bit(argv[2]);
    Programa programa(QStringLiteral(COBRANZIA_PROGRAMA_DIR), QString::fromLocal8Bit(argv[3]));
    programa.ElegirServidor(servidor, QString());
    programa.AbrirConexion();
    PGconn* c = PQconnectdb(argv[2]);
    PGresult* r = PQexec(c, "SELECT corrida, codigo FROM Corridas WHERE t_archivo = 'grande.txt'");
    if (PQntuples(r) != 1) {
        std::printf("listado: sin corrida en el servidor\n");
        return 1;
    }
    const QString corrida = QString::fromUtf8(PQgetvalue(r, 0, 0));
    const QString codigo = QString::fromUtf8(PQgetvalue(r, 0, 1));
    PQclear(r);
    PQfinish(c);
    QWidget ventana;
    ControlReporteVentana rpt(&ventana);
    PrepararListado(rpt, programa, QStringLiteral("grande.txt"), codigo, corrida, 0);
    QElapsedTimer reloj;
    reloj.start();
    if (rpt.PrintReport() == 0) {
        std::printf("listado: error %d %s\n", rpt.LastErrorNumber(),
                    qPrintable(rpt.LastErrorString()));
        return 1;
    }
    VistaPrevia* vista = rpt.Vistas().constLast();
    QApplication::processEvents();
    vista->Lienzo()->viewport()->grab();
    std::printf("listado en el servidor: primera página en pantalla %.0f ms (%lld páginas)\n",
                double(reloj.nsecsElapsed()) / 1e6, vista->Listado().TotalPaginas());
    return 0;
}

int Guion(const QString& accion, const QString& carpeta) {
    return QProcess::execute(QStringLiteral(COBRANZIA_FUENTES "/tests/servidor/servidor.sh"),
                             {accion, carpeta});
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && qstrcmp(argv[1], "--listado") == 0)
        return PrimeraPagina(argc, argv);
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
    CrearBaseDatos(programa.BaseDatos(), ArchivosPrograma::ContrasenaBase, &creada, &error);

    std::printf("%-10s %12s %16s %10s\n", "motor", "tabla vacía", "reemplazando", "filas");
    Medir("servidor", servidor, dir.path(), archivo);
    if (propio && Guion(QStringLiteral("claro"), carpetaServidor) == 0) {
        // The same server over TCP, in clear text and with TLS.
        QFile puerto(carpetaServidor + QStringLiteral("/puerto"));
        puerto.open(QIODevice::ReadOnly);
        const QString tcp =
            QStringLiteral("host=127.0.0.1 port=%1 dbname=cobranzia user=cobranzia ")
                .arg(QString::fromLatin1(puerto.readAll().trimmed()));
        // Alternately, three times: the machine's noise falls on both.
        for (int ronda = 0; ronda < 3; ++ronda) {
            Medir("tcp", tcp + QStringLiteral("sslmode=disable"), dir.path(), archivo);
            Medir("tcp+tls",
                  tcp + QStringLiteral("sslmode=verify-full sslrootcert=%1/ca.crt")
                            .arg(carpetaServidor),
                  dir.path(), archivo);
        }
    }
    Medir("embebido", programa.CadenaConexion(), dir.path(), archivo);
    std::fflush(stdout);
    qputenv("ODBCINI", QFile::encodeName(dir.filePath(QStringLiteral("odbc.ini"))));
    QProcess::execute(QCoreApplication::applicationFilePath(),
                      {QStringLiteral("--listado"), servidor, dir.path()});
    if (propio)
        Guion(QStringLiteral("fin"), carpetaServidor);
    return 0;
}
