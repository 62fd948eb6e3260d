// Batch mode, run as a script runs it: the real program in a program folder of
// its own, its output, its exit status, and what it leaves in the database.

#include "tests/comun/Entorno.h"

#include <QFile>
#include <QProcess>
#include <QTest>

#include <signal.h>
#include <sqlite3.h>

namespace {

const QString kCodigoLote = QStringLiteral("D79694AE2540A8791331D7BA278DC3F3");

QByteArray Lote(int lineas, char marca) {
    QByteArray texto = "H20261201\r\n";
    for (int i = 0; i < lineas; ++i)
        texto +=
            marca + QByteArray::number(i).rightJustified(8, '0') + QByteArray(50, 'x') + "\r\n";
    return texto + "T\r\n";
}

qint64 ContarFilas(const QString& base, const QString& archivo) {
    return ConsultarBase(base, "SELECT count(*) FROM Datos WHERE t_archivo = ?", archivo)
        .value(0)
        .toLongLong();
}

} // namespace

class PruebaLotes : public QObject {
    Q_OBJECT
private slots:
    void llamadas_data();
    void llamadas();
    void listadoEnPdf();
    void sinPantalla();
    void esperaUnaBaseOcupada();
    void muertoAMitadNoMezcla();
};

void PruebaLotes::llamadas_data() {
    QTest::addColumn<QStringList>("argumentos");
    QTest::addColumn<int>("estado");
    QTest::addColumn<QString>("salida");
    QTest::addColumn<QString>("errores");
    QTest::addColumn<qint64>("filas");

    QTest::newRow("procesar") << QStringList{"--procesar", "<lote>"} << 0 << kCodigoLote + "\n"
                              << "" << qint64(3);
    QTest::newRow("procesar vacío") << QStringList{"--procesar", "<vacio>"} << 0 << "\n"
                                    << "" << qint64(0);
    QTest::newRow("procesar inexistente") << QStringList{"--procesar", "<nada>"} << 2 << ""
                                          << "Error 53 (No se encontró el archivo" << qint64(0);
    QTest::newRow("procesar carpeta") << QStringList{"--procesar", "<carpeta>"} << 2 << ""
                                      << "Error 75 (" << qint64(0);
    QTest::newRow("listado imposible")
        << QStringList{"--procesar", "<lote>", "--listado", "<lote>/x.pdf"} << 2
        << kCodigoLote + "\n"
        << "No se pudo escribir" << qint64(3);
    QTest::newRow("verificar igual") << QStringList{"--verificar", kCodigoLote, "<lote>"} << 0
                                     << "El código de control coincide."
                                     << "" << qint64(0);
    QTest::newRow("verificar en minúsculas")
        << QStringList{"--verificar", kCodigoLote.toLower(), "<lote>"} << 0 << "coincide"
        << "" << qint64(0);
    QTest::newRow("verificar distinto")
        << QStringList{"--verificar", "D41D8CD98F00B204E9800998ECF8427E", "<lote>"} << 1
        << "NO coincide"
        << "" << qint64(0);
    QTest::newRow("verificar inexistente")
        << QStringList{"--verificar", kCodigoLote, "<nada>"} << 2 << ""
        << "Error 53" << qint64(0);
    QTest::newRow("procesar sin archivo") << QStringList{"--procesar"} << 2 << ""
                                          << "Uso:" << qint64(0);
    QTest::newRow("listado sin salida")
        << QStringList{"--procesar", "<lote>", "--listado"} << 2 << ""
        << "Uso:" << qint64(0);
    QTest::newRow("verificar incompleto") << QStringList{"--verificar", "X"} << 2 << ""
                                          << "Uso:" << qint64(0);
    QTest::newRow("desconocido") << QStringList{"--borrar", "todo"} << 2 << ""
                                 << "Uso:" << qint64(0);
    QTest::newRow("ayuda") << QStringList{"--help"} << 0 << "--verificar CODIGO ARCHIVO"
                           << "" << qint64(0);
    QTest::newRow("versión") << QStringList{"--version"} << 0 << "cobranzia 1.0.0"
                             << "" << qint64(0);
}

void PruebaLotes::llamadas() {
    QFETCH(QStringList, argumentos);
    QFETCH(int, estado);
    QFETCH(QString, salida);
    QFETCH(QString, errores);
    QFETCH(qint64, filas);

    CarpetaPrueba carpeta;
    carpeta.CopiarEjecutable();
    const QString lote =
        carpeta.Escribir(QStringLiteral("lote 01.txt"), "H1\r\nD1\r\nD'2\r\n\r\nT1\r\n");
    for (QString& a : argumentos)
        a.replace(QStringLiteral("<lote>"), lote)
            .replace(QStringLiteral("<vacio>"), carpeta.Escribir(QStringLiteral("v.txt"), ""))
            .replace(QStringLiteral("<nada>"), carpeta.Archivo(QStringLiteral("no-existe.txt")))
            .replace(QStringLiteral("<carpeta>"), carpeta.Ruta());

    const Salida s = Ejecutar(carpeta.Archivo(QStringLiteral("cobranzia")), argumentos);
    QCOMPARE(s.estado, estado);
    if (salida.endsWith(u'\n'))
        QCOMPARE(s.salida, salida);
    else
        QVERIFY2(s.salida.contains(salida), qPrintable(s.salida));
    // A script reads standard error: on success there is nothing on it.
    if (estado == 0)
        QVERIFY2(s.errores.isEmpty(), qPrintable(s.errores));
    QVERIFY2(s.errores.contains(errores), qPrintable(s.errores));
    QCOMPARE(ContarFilas(carpeta.Base(), QStringLiteral("lote 01.txt")), filas);
}

void PruebaLotes::listadoEnPdf() {
    CarpetaPrueba carpeta;
    carpeta.CopiarEjecutable();
    const QString lote = carpeta.Escribir(QStringLiteral("D'Angelo 07.txt"),
                                          "H1\r\nD0001 UNO\r\nD0002 DOS\r\nT2\r\n");
    GuardarFilas(carpeta.Base(), QStringLiteral("otro.txt"), {QStringLiteral("D9999 OTRO")});
    const QString pdf = carpeta.Archivo(QStringLiteral("listado.pdf"));
    const Salida s =
        Ejecutar(carpeta.Archivo(QStringLiteral("cobranzia")),
                 {QStringLiteral("--procesar"), lote, QStringLiteral("--listado"), pdf});
    QCOMPARE(s.estado, 0);
    const QStringList lineas = LineasPdf(pdf);
    const QString texto = lineas.join(u'\n');
    for (const QString& esperado :
         {s.salida.trimmed(), QStringLiteral("D'Angelo 07.txt"),
          QStringLiteral("Filas listadas: 2"), QStringLiteral("Página 1 de 1")})
        QVERIFY2(texto.contains(esperado), qPrintable(esperado + u'\n' + texto));
    QVERIFY(lineas.contains(QStringLiteral("D0001 UNO")) &&
            lineas.contains(QStringLiteral("D0002 DOS")));
    QVERIFY(!texto.contains(QStringLiteral("OTRO")));
}

// No display and no platform chosen: batch mode needs neither.
void PruebaLotes::sinPantalla() {
    CarpetaPrueba carpeta;
    carpeta.CopiarEjecutable();
    const QString lote = carpeta.Escribir(QStringLiteral("lote.txt"), Lote(10, 'D'));
    QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
    entorno.remove(QStringLiteral("DISPLAY"));
    entorno.remove(QStringLiteral("WAYLAND_DISPLAY"));
    entorno.remove(QStringLiteral("QT_QPA_PLATFORM"));
    const QString pdf = carpeta.Archivo(QStringLiteral("l.pdf"));
    const Salida s =
        Ejecutar(carpeta.Archivo(QStringLiteral("cobranzia")),
                 {QStringLiteral("--procesar"), lote, QStringLiteral("--listado"), pdf}, entorno);
    QCOMPARE(s.estado, 0);
    QVERIFY2(s.errores.isEmpty(), qPrintable(s.errores));
    QVERIFY(LineasPdf(pdf).contains(QStringLiteral("Filas listadas: 10")));
}

void PruebaLotes::esperaUnaBaseOcupada() {
    CarpetaPrueba carpeta;
    carpeta.CopiarEjecutable();
    const QString lote = carpeta.Escribir(QStringLiteral("lote.txt"), Lote(10, 'D'));
    sqlite3* otro = nullptr;
    sqlite3_open(QFile::encodeName(carpeta.Base()).constData(), &otro);
    QCOMPARE(sqlite3_exec(otro, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    QProcess proceso;
    proceso.start(carpeta.Archivo(QStringLiteral("cobranzia")),
                  {QStringLiteral("--procesar"), lote});
    QVERIFY(proceso.waitForStarted());
    QTest::qWait(1500);
    QCOMPARE(proceso.state(), QProcess::Running);
    sqlite3_exec(otro, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(otro);
    QVERIFY(proceso.waitForFinished(20000));
    QCOMPARE(proceso.exitCode(), 0);
    QCOMPARE(ContarFilas(carpeta.Base(), QStringLiteral("lote.txt")), qint64(10));
}

void PruebaLotes::muertoAMitadNoMezcla() {
    CarpetaPrueba carpeta;
    carpeta.CopiarEjecutable();
    const QString programa = carpeta.Archivo(QStringLiteral("cobranzia"));
    const QString ruta = carpeta.Escribir(QStringLiteral("lote.txt"), Lote(1000, 'V'));
    QCOMPARE(Ejecutar(programa, {QStringLiteral("--procesar"), ruta}).estado, 0);
    carpeta.Escribir(QStringLiteral("lote.txt"), Lote(400000, 'N'));

    QProcess proceso;
    proceso.start(programa, {QStringLiteral("--procesar"), ruta});
    QVERIFY(proceso.waitForStarted());
    // Killed once the run has begun writing.
    const QString diario = carpeta.Base() + QStringLiteral("-journal");
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(diario) || proceso.state() == QProcess::NotRunning,
                             20000);
    QTest::qWait(150);
    ::kill(pid_t(proceso.processId()), SIGKILL);
    proceso.waitForFinished();
    QCOMPARE(proceso.exitStatus(), QProcess::CrashExit);

    const QStringList primera = ConsultarBase(
        carpeta.Base(), "SELECT count(*) || ' ' || substr(min(t_datos), 1, 1) FROM Datos");
    QVERIFY2(primera == QStringList{"1000 V"} || primera == QStringList{"400000 N"},
             qPrintable(primera.join(u',')));
    // The next run finds the database sound.
    QCOMPARE(Ejecutar(programa, {QStringLiteral("--procesar"), ruta}).estado, 0);
    QCOMPARE(ContarFilas(carpeta.Base(), QStringLiteral("lote.txt")), qint64(400000));
}

QTEST_GUILESS_MAIN(PruebaLotes)
#include "tst_lotes.moc"
