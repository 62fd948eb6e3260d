// The settings file: what reads back, what a write leaves in the file, and
// the writes it refuses.

#include "platform/archivos/ArchivoIni.h"
#include "tests/comun/Entorno.h"
#include "util/Ini.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString G = QStringLiteral("General");
const QString U = QStringLiteral("UltRuta");
const QString kDefecto = QStringLiteral("/programa");

QByteArray Contenido(const QString& ruta) {
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<ninguno>");
}

void Poner(const QString& ruta, const QByteArray& contenido) {
    QFile f(ruta);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(contenido) == contenido.size());
}
} // namespace

class PruebaIni : public QObject {
    Q_OBJECT
private slots:
    void leer_data();
    void leer();
    void escribir_data();
    void escribir();
    void otroEscritor();
};

void PruebaIni::leer_data() {
    QTest::addColumn<QByteArray>("contenido");
    QTest::addColumn<QString>("valor");
    QTest::newRow("sin archivo") << QByteArray("<ninguno>") << kDefecto;
    QTest::newRow("vacío") << QByteArray("[General]\nUltRuta=\n") << kDefecto;
    QTest::newRow("otra sección") << QByteArray("[Otra]\nUltRuta=/x\n") << kDefecto;
    QTest::newRow("basura") << QByteArrayLiteral("\xff\xfe\x00garbage\n[[[\n=\n]]\n") << kDefecto;
    QTest::newRow("mayúsculas y blancos")
        << QByteArray("  [ GENERAL ]  \n  ultruta =  /a b  \n") << "/a b";
    QTest::newRow("CR LF sin fin de línea") << QByteArray("[General]\r\nUltRuta=/a") << "/a";
    QTest::newRow("comillas") << QByteArray("[General]\nUltRuta=\" /a \"\n") << " /a ";
    QTest::newRow("UTF-8") << QByteArray("[General]\nUltRuta=/home/jos\xc3\xa9\n") << "/home/josé";
    QTest::newRow("al principio de 30 MiB")
        << "[General]\nUltRuta=/v\n" + QByteArray(30 << 20, 'x') << "/v";
    QTest::newRow("259 se cortan a 254") << "[General]\nUltRuta=/" + QByteArray(258, 'a') + "\n"
                                         << "/" + QString(253, u'a');
}

void PruebaIni::leer() {
    QFETCH(QByteArray, contenido);
    QFETCH(QString, valor);
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("Cobranzia.dat"));
    if (contenido != "<ninguno>")
        Poner(ini, contenido);
    QCOMPARE(LeerIni(ini, G, U, kDefecto), valor);
}

void PruebaIni::escribir_data() {
    QTest::addColumn<QByteArray>("antes");
    QTest::addColumn<QString>("valor");
    QTest::addColumn<bool>("escrito");
    QTest::addColumn<QByteArray>("despues");
    QTest::newRow("primera escritura") << QByteArray("<ninguno>") << "/home/ana" << true
                                       << QByteArray("[General]\nUltRuta=/home/ana\n");
    QTest::newRow("reemplazo en su sitio")
        << QByteArray("; nota\n[Otra]\nA=1\n\n[general]\nX=2\nultruta=/viejo\nZ=3\nbasura \xff\n")
        << "/nuevo" << true
        << QByteArray("; nota\n[Otra]\nA=1\n\n[general]\nX=2\nultruta=/nuevo\nZ=3\nbasura \xff\n");
    QTest::newRow("clave nueva al final de su sección")
        << QByteArray("[General]\nX=2\n\n[Otra]\nA=1\n") << "/n" << true
        << QByteArray("[General]\nX=2\nUltRuta=/n\n\n[Otra]\nA=1\n");
    QTest::newRow("CR LF conservado") << QByteArray("[Otra]\r\nA=1") << "/n" << true
                                      << QByteArray("[Otra]\r\nA=1\r\n[General]\r\nUltRuta=/n\r\n");
    QTest::newRow("LF de la última línea conservado")
        << QByteArray("[Otra]\r\nA=1\n") << "/n" << true
        << QByteArray("[Otra]\r\nA=1\n[General]\r\nUltRuta=/n\r\n");
    QTest::newRow("salto de línea en el valor")
        << QByteArray("[General]\nUltRuta=/previo\n") << "/a\n[Falsa]\nX=1" << false
        << QByteArray("[General]\nUltRuta=/previo\n");
}

void PruebaIni::escribir() {
    QFETCH(QByteArray, antes);
    QFETCH(QString, valor);
    QFETCH(bool, escrito);
    QFETCH(QByteArray, despues);
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("Cobranzia.dat"));
    if (antes != "<ninguno>")
        Poner(ini, antes);
    QCOMPARE(EscribirIni(ini, G, U, valor), escrito);
    QCOMPARE(Contenido(ini), despues);
    // Nothing but the settings file is left in the folder.
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{"Cobranzia.dat"});
}

// Another writer's lines that land between the reading and the replacement are
// noticed: the file is read again and changed anew, their lines kept once.
void PruebaIni::otroEscritor() {
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("odbc.ini"));
    Poner(ini, "[Otra]\nA=1\n");
    int vueltas = 0;
    QVERIFY(ActualizarArchivoIni(ini, [&](ArchivoIni& leido) {
        if (vueltas++ == 0)
            Poner(ini, "[Otra]\nA=1\n[Ajena]\nB=2\n");
        leido.Fijar(G, U, QStringLiteral("/n"));
        return true;
    }));
    QCOMPARE(vueltas, 2);
    QCOMPARE(Contenido(ini), QByteArray("[Otra]\nA=1\n[Ajena]\nB=2\n[General]\nUltRuta=/n\n"));
}

PRUEBAS_MAIN(PruebaIni, QCoreApplication)
#include "tst_ini.moc"
