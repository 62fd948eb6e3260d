// The md5 library's own contract, called directly as the hash service calls
// it, and the loader that finds it.

#include "platform/BibliotecaDinamica.h"
#include "platform/ErrorEjecucion.h"
#include "tests/comun/Entorno.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using FuncionMDStringFix = int32_t (*)(const char*, int32_t, char*);
using FuncionMDFile = int32_t (*)(const char*, char*);

// A buffer as the service passes it (32 spaces and a NUL), followed by guard
// bytes that the library must not touch.
struct Bufer {
    char bytes[48];
    Bufer() {
        std::memset(bytes, '#', sizeof bytes);
        std::memset(bytes, ' ', 32);
        bytes[32] = '\0';
    }
    QByteArray Digitos() const { return QByteArray(bytes, 32); }
    bool GuardasIntactas() const {
        for (std::size_t i = 33; i < sizeof bytes; ++i) {
            if (bytes[i] != '#')
                return false;
        }
        return bytes[32] == '\0';
    }
    bool SinTocar() const { return Digitos() == QByteArray(32, ' ') && GuardasIntactas(); }
};

QString RutaBiblioteca() {
    return CarpetaProgramaConstruida() + QStringLiteral("/libmd5.so");
}

FuncionMDStringFix MDStringFix() {
    return reinterpret_cast<FuncionMDStringFix>(
        BibliotecaDinamica(RutaBiblioteca()).Resolver("MDStringFix"));
}

FuncionMDFile MDFile() {
    return reinterpret_cast<FuncionMDFile>(BibliotecaDinamica(RutaBiblioteca()).Resolver("MDFile"));
}

} // namespace

class PruebaMd5Lib : public QObject {
    Q_OBJECT

private slots:
    void cadenaHasheaExactamenteLaLongitud_data();
    void cadenaHasheaExactamenteLaLongitud();
    void cadenaLongitudNegativaNoTocaElBufer();
    void archivoEscribeSoloLos32Digitos();
    void archivoQueNoSePuedeLeerNoTocaElBufer();
    void dispositivoSinFinNoEspera();
    void fifoNoEspera();
    void cargadorBibliotecaAusente();
    void cargadorExportacionAusente();
};

void PruebaMd5Lib::cadenaHasheaExactamenteLaLongitud_data() {
    QTest::addColumn<QByteArray>("datos");
    QTest::addColumn<int>("longitud");
    QTest::addColumn<QByteArray>("digest");
    // The bytes after `longitud` differ from what a reader past it would find.
    QTest::newRow("prefijo") << QByteArray("abcdef") << 3
                             << QByteArray("900150983CD24FB0D6963F7D28E17F72");
    QTest::newRow("cero") << QByteArray("abc") << 0
                          << QByteArray("D41D8CD98F00B204E9800998ECF8427E");
    QTest::newRow("NUL incluidos")
        << QByteArray("a\0b\0", 4) << 3 << QByteArray("70350F6027BCE3713F6B76473084309B");
}

void PruebaMd5Lib::cadenaHasheaExactamenteLaLongitud() {
    QFETCH(QByteArray, datos);
    QFETCH(int, longitud);
    QFETCH(QByteArray, digest);
    // No NUL after the bytes: the library may rely on the length alone.
    QByteArray sinTerminar(datos.constData(), longitud);
    Bufer bufer;
    MDStringFix()(sinTerminar.constData(), longitud, bufer.bytes);
    QCOMPARE(bufer.Digitos().toUpper(), digest);
    QVERIFY(bufer.GuardasIntactas());

    Bufer conNulo;
    MDStringFix()(longitud == 0 ? nullptr : datos.constData(), longitud, conNulo.bytes);
    QCOMPARE(conNulo.Digitos().toUpper(), digest);
}

void PruebaMd5Lib::cadenaLongitudNegativaNoTocaElBufer() {
    Bufer bufer;
    MDStringFix()("abc", -1, bufer.bytes);
    QVERIFY(bufer.SinTocar());
}

void PruebaMd5Lib::archivoEscribeSoloLos32Digitos() {
    CarpetaPrueba carpeta(false);
    const QByteArray ruta = QFile::encodeName(carpeta.Escribir(QStringLiteral("abc.txt"), "abc"));
    Bufer bufer;
    MDFile()(ruta.constData(), bufer.bytes);
    QCOMPARE(bufer.Digitos().toUpper(), QByteArray("900150983CD24FB0D6963F7D28E17F72"));
    QVERIFY(bufer.GuardasIntactas());
}

void PruebaMd5Lib::archivoQueNoSePuedeLeerNoTocaElBufer() {
    CarpetaPrueba carpeta(false);
    const QByteArray inexistente = QFile::encodeName(carpeta.Archivo(QStringLiteral("no-existe")));
    const QByteArray carpetaLocal = QFile::encodeName(carpeta.Ruta());
    for (const char* ruta :
         {inexistente.constData(), carpetaLocal.constData(), "", "/dev/null/x"}) {
        Bufer bufer;
        MDFile()(ruta, bufer.bytes);
        QVERIFY2(bufer.SinTocar(), ruta);
    }
}

void PruebaMd5Lib::dispositivoSinFinNoEspera() {
    // A device that never ends is no file either. In a child process with an
    // alarm, so a library that reads on fails instead of hanging the test.
    const FuncionMDFile mdFile = MDFile();
    const pid_t hijo = fork();
    QVERIFY(hijo >= 0);
    if (hijo == 0) {
        alarm(10);
        Bufer bufer;
        mdFile("/dev/zero", bufer.bytes);
        _exit(bufer.SinTocar() ? 0 : 1);
    }
    int estado = 0;
    QCOMPARE(waitpid(hijo, &estado, 0), hijo);
    QVERIFY2(WIFEXITED(estado), "la biblioteca siguió leyendo /dev/zero");
    QCOMPARE(WEXITSTATUS(estado), 0);
}

void PruebaMd5Lib::fifoNoEspera() {
    CarpetaPrueba carpeta(false);
    const QByteArray fifo = QFile::encodeName(carpeta.Archivo(QStringLiteral("tuberia")));
    QCOMPARE(mkfifo(fifo.constData(), 0600), 0);

    // If the library waited for a writer, this one comes after a while and lets
    // it go, so the test fails instead of hanging.
    std::atomic<bool> terminado{false};
    std::atomic<bool> hizoFalta{false};
    std::thread rescate([&] {
        QElapsedTimer reloj;
        reloj.start();
        while (!terminado) {
            if (reloj.elapsed() > 3000) {
                const int fd = open(fifo.constData(), O_WRONLY | O_NONBLOCK);
                if (fd >= 0) {
                    hizoFalta = true;
                    close(fd);
                    return;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    Bufer bufer;
    MDFile()(fifo.constData(), bufer.bytes);
    terminado = true;
    rescate.join();
    QVERIFY(!hizoFalta);
    QVERIFY(bufer.SinTocar());
}

void PruebaMd5Lib::cargadorBibliotecaAusente() {
    CarpetaPrueba carpeta(false);
    const QString ruta = carpeta.Archivo(QStringLiteral("libnoexiste.so"));
    try {
        BibliotecaDinamica biblioteca(ruta);
        QFAIL("se cargó una biblioteca que no existe");
    } catch (const ErrorEjecucion& e) {
        QCOMPARE(e.Numero(), 48);
        QCOMPARE(e.Descripcion(), QStringLiteral("Error al cargar la DLL: ") + ruta);
    }
    // A bare name is a file in the current folder, never one of the system's.
    try {
        BibliotecaDinamica biblioteca(QStringLiteral("libc.so.6"));
        QFAIL("un nombre sin carpeta buscó en las del sistema");
    } catch (const ErrorEjecucion& e) {
        QCOMPARE(e.Numero(), 48);
    }
}

void PruebaMd5Lib::cargadorExportacionAusente() {
    const BibliotecaDinamica biblioteca(RutaBiblioteca());
    try {
        biblioteca.Resolver("MDString");
        QFAIL("se resolvió una exportación que no existe");
    } catch (const ErrorEjecucion& e) {
        QCOMPARE(e.Numero(), 453);
        QCOMPARE(e.Descripcion(),
                 QStringLiteral("No se encontró el punto de entrada de la DLL: MDString"));
    }
    QVERIFY(biblioteca.Resolver("MDFile") != nullptr);
}

QTEST_GUILESS_MAIN(PruebaMd5Lib)
#include "tst_md5lib.moc"
