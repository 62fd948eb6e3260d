// Batch mode, run as a script runs it: the real program in a program folder of
// its own, its output, its exit status, and what it leaves in the database.

#include "app/modGral.h"
#include "platform/Conexion.h"
#include "run/CorridaControl.h"
#include "tests/comun/Entorno.h"

#include <QFile>
#include <QProcess>
#include <QTest>

#include <signal.h>
#include <sqlite3.h>

namespace {

struct Salida {
    int estado = -1;
    QString salida;
    QString errores;
};

Salida Ejecutar(const CarpetaPrueba& carpeta, const QStringList& argumentos) {
    QProcess proceso;
    proceso.start(carpeta.Archivo(QStringLiteral("cobranzia")), argumentos);
    Salida s;
    if (!proceso.waitForFinished(60000))
        return s;
    s.estado = proceso.exitStatus() == QProcess::NormalExit ? proceso.exitCode() : -1;
    s.salida = QString::fromLocal8Bit(proceso.readAllStandardOutput());
    s.errores = QString::fromLocal8Bit(proceso.readAllStandardError());
    return s;
}

qint64 ContarFilas(const QString& base, const QString& archivo, QString* primera = nullptr) {
    sqlite3* db = nullptr;
    // Read-write, so that a journal left by a killed run is rolled back first.
    sqlite3_open_v2(QFile::encodeName(base).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT count(*), min(t_datos) FROM Datos WHERE t_archivo = ?", -1, &st,
                       nullptr);
    const QByteArray clave = archivo.toUtf8();
    sqlite3_bind_text(st, 1, clave.constData(), int(clave.size()), SQLITE_TRANSIENT);
    qint64 n = -1;
    if (sqlite3_step(st) == SQLITE_ROW) {
        n = sqlite3_column_int64(st, 0);
        if (primera)
            *primera = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return n;
}

QByteArray Lote(int lineas, char marca) {
    QByteArray texto = "H20261201\r\n";
    for (int i = 0; i < lineas; ++i)
        texto +=
            marca + QByteArray::number(i).rightJustified(8, '0') + QByteArray(50, 'x') + "\r\n";
    return texto + "T\r\n";
}

} // namespace

class PruebaLotes : public QObject {
    Q_OBJECT
private slots:
    void llamadas_data();
    void llamadas();
    void listadoEnPdf();
    void listadoImposible();
    void verificarNoNecesitaBase();
    void funcionaConLaVentanaAbierta();
    void esperaUnaBaseOcupada();
    void muertoAMitadNoMezcla();
};

void PruebaLotes::llamadas_data() {
    QTest::addColumn<QStringList>("argumentos");
    QTest::addColumn<int>("estado");
    QTest::addColumn<QString>("salida");
    QTest::addColumn<QString>("errores");
    QTest::addColumn<qint64>("filas");

    const QString codigo = QStringLiteral("<codigo>");
    QTest::newRow("procesar") << QStringList{"--procesar", "<lote>"} << 0 << codigo + "\n"
                              << "" << qint64(3);
    QTest::newRow("procesar vacío") << QStringList{"--procesar", "<vacio>"} << 0 << "\n"
                                    << "" << qint64(0);
    QTest::newRow("procesar inexistente") << QStringList{"--procesar", "<nada>"} << 2 << ""
                                          << "Error 53 (No se encontró el archivo" << qint64(0);
    QTest::newRow("procesar carpeta")
        << QStringList{"--procesar", "<carpeta>"} << 2 << ""
        << ") in procedure cmdAceptar_Click of Formulario frmPrincipal" << qint64(0);
    QTest::newRow("verificar igual")
        << QStringList{"--verificar", "<codigo>", "<lote>"} << 0 << "El código de control coincide."
        << "" << qint64(0);
    QTest::newRow("verificar en minúsculas")
        << QStringList{"--verificar", "<minusculas>", "<lote>"} << 0 << "coincide"
        << "" << qint64(0);
    QTest::newRow("verificar distinto")
        << QStringList{"--verificar", "D41D8CD98F00B204E9800998ECF8427E", "<lote>"} << 1
        << "NO coincide"
        << "" << qint64(0);
    QTest::newRow("verificar inexistente") << QStringList{"--verificar", "X", "<nada>"} << 2 << ""
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
    const QString vacio = carpeta.Escribir(QStringLiteral("vacio.txt"), "");
    SistemaArchivos sistema;
    const QString codigo = CalcularCodigoControl(sistema, lote);
    for (QString& a : argumentos) {
        a.replace(QStringLiteral("<lote>"), lote)
            .replace(QStringLiteral("<vacio>"), vacio)
            .replace(QStringLiteral("<nada>"), carpeta.Archivo(QStringLiteral("no-existe.txt")))
            .replace(QStringLiteral("<carpeta>"), carpeta.Ruta())
            .replace(QStringLiteral("<minusculas>"), codigo.toLower())
            .replace(QStringLiteral("<codigo>"), codigo);
    }
    salida.replace(QStringLiteral("<codigo>"), codigo);

    const Salida s = Ejecutar(carpeta, argumentos);
    QCOMPARE(s.estado, estado);
    if (salida.endsWith(QLatin1Char('\n')))
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
    const QString pdf = carpeta.Archivo(QStringLiteral("listado.pdf"));
    const Salida s =
        Ejecutar(carpeta, {QStringLiteral("--procesar"), lote, QStringLiteral("--listado"), pdf});
    QCOMPARE(s.estado, 0);
    const QString codigo = s.salida.trimmed();
    QCOMPARE(codigo.size(), 32);
    QProcess texto;
    texto.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    QVERIFY(texto.waitForFinished());
    const QString contenido = QString::fromUtf8(texto.readAllStandardOutput());
    for (const QString& esperado :
         {codigo, QStringLiteral("D'Angelo 07.txt"), QStringLiteral("D0001 UNO"),
          QStringLiteral("D0002 DOS"), QStringLiteral("Página 1 de 1")})
        QVERIFY2(contenido.contains(esperado),
                 qPrintable(esperado + QStringLiteral(" no está en:\n") + contenido));
}

void PruebaLotes::listadoImposible() {
    CarpetaPrueba carpeta;
    carpeta.CopiarEjecutable();
    const QString lote = carpeta.Escribir(QStringLiteral("lote.txt"), "D1\r\n");
    const QString bloqueo = carpeta.Escribir(QStringLiteral("no-es-carpeta"), "x");
    const Salida s =
        Ejecutar(carpeta, {QStringLiteral("--procesar"), lote, QStringLiteral("--listado"),
                           bloqueo + QStringLiteral("/listado.pdf")});
    QCOMPARE(s.estado, 2);
    QVERIFY2(s.errores.contains(QStringLiteral("in procedure cmdAceptar_Click")),
             qPrintable(s.errores));
    // The run itself went through: its code was printed and its rows stored.
    QCOMPARE(s.salida.trimmed().size(), 32);
    QCOMPARE(ContarFilas(carpeta.Base(), QStringLiteral("lote.txt")), qint64(1));
}

void PruebaLotes::verificarNoNecesitaBase() {
    CarpetaPrueba carpeta(false);
    carpeta.CopiarEjecutable();
    const QString lote = carpeta.Escribir(QStringLiteral("lote.txt"), "abc\r\nabc\r\n");
    const Salida s = Ejecutar(carpeta, {QStringLiteral("--verificar"),
                                        QStringLiteral("D39E57FCC1F55502816F4277CA2DC773"), lote});
    QCOMPARE(s.estado, 0);
    QVERIFY(!QFile::exists(carpeta.Base()));
}

void PruebaLotes::funcionaConLaVentanaAbierta() {
    CarpetaPrueba carpeta;
    carpeta.CopiarEjecutable();
    QProcess ventana;
    ventana.start(carpeta.Archivo(QStringLiteral("cobranzia")), QStringList());
    QVERIFY(ventana.waitForStarted());
    QTest::qWait(500);
    QCOMPARE(ventana.state(), QProcess::Running);
    const QString lote = carpeta.Escribir(QStringLiteral("lote.txt"), Lote(100, 'D'));
    const Salida s = Ejecutar(carpeta, {QStringLiteral("--procesar"), lote});
    QCOMPARE(s.estado, 0);
    QCOMPARE(ContarFilas(carpeta.Base(), QStringLiteral("lote.txt")), qint64(100));
    QCOMPARE(ventana.state(), QProcess::Running);
    ventana.kill();
    ventana.waitForFinished();
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
    const QString ruta = carpeta.Escribir(QStringLiteral("lote.txt"), Lote(1000, 'V'));
    QCOMPARE(Ejecutar(carpeta, {QStringLiteral("--procesar"), ruta}).estado, 0);
    carpeta.Escribir(QStringLiteral("lote.txt"), Lote(400000, 'N'));

    QProcess proceso;
    proceso.start(carpeta.Archivo(QStringLiteral("cobranzia")),
                  {QStringLiteral("--procesar"), ruta});
    QVERIFY(proceso.waitForStarted());
    // Killed once the run has begun writing.
    const QString diario = carpeta.Base() + QStringLiteral("-journal");
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(diario) || proceso.state() == QProcess::NotRunning,
                             20000);
    QTest::qWait(150);
    ::kill(pid_t(proceso.processId()), SIGKILL);
    proceso.waitForFinished();
    QCOMPARE(proceso.exitStatus(), QProcess::CrashExit);

    QString primera;
    const qint64 filas = ContarFilas(carpeta.Base(), QStringLiteral("lote.txt"), &primera);
    QVERIFY2((filas == 1000 && primera.startsWith(QLatin1Char('V'))) ||
                 (filas == 400000 && primera.startsWith(QLatin1Char('N'))),
             qPrintable(QStringLiteral("%1 filas, la primera %2").arg(filas).arg(primera)));
    // The next run finds the database sound.
    QCOMPARE(Ejecutar(carpeta, {QStringLiteral("--procesar"), ruta}).estado, 0);
    QCOMPARE(ContarFilas(carpeta.Base(), QStringLiteral("lote.txt")), qint64(400000));
}

QTEST_MAIN(PruebaLotes)
#include "tst_lotes.moc"
