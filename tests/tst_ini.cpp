// The settings file against real files: the format kept, the read buffer, and
// every way a write can fail.
#include "util/Ini.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString General = QStringLiteral("General");
const QString UltRuta = QStringLiteral("UltRuta");
const QString PorDefecto = QStringLiteral("/programa");

QByteArray Contenido(const QString& ruta) {
    QFile archivo(ruta);
    if (!archivo.open(QIODevice::ReadOnly))
        return QByteArray();
    return archivo.readAll();
}

void Escribir(const QString& ruta, const QByteArray& contenido) {
    QFile archivo(ruta);
    QVERIFY(archivo.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(archivo.write(contenido), contenido.size());
}

} // namespace

class tst_ini : public QObject {
    Q_OBJECT

private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        ini_ = dir_->filePath(QStringLiteral("Cobranzia.dat"));
    }
    void cleanup() { dir_.reset(); }

    void sinArchivoYPrimeraEscritura() {
        QCOMPARE(LeerIni(ini_, General, UltRuta, PorDefecto), PorDefecto);
        QVERIFY(!QFile::exists(ini_));
        QVERIFY(EscribirIni(ini_, General, UltRuta, QStringLiteral("/home/ana/deudas")));
        QCOMPARE(Contenido(ini_), QByteArray("[General]\nUltRuta=/home/ana/deudas\n"));
        QCOMPARE(LeerIni(ini_, General, UltRuta, PorDefecto), QStringLiteral("/home/ana/deudas"));
        // No temporary file is left beside it.
        QCOMPARE(QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }

    void leerSinValor_data() {
        QTest::addColumn<QByteArray>("contenido");
        QTest::newRow("vacío") << QByteArray("[General]\nUltRuta=\n");
        QTest::newRow("solo blancos") << QByteArray("[General]\nUltRuta=   \n");
        QTest::newRow("otra sección") << QByteArray("[Otra]\nUltRuta=/x\n");
        QTest::newRow("fuera de sección") << QByteArray("UltRuta=/x\n[General]\n");
        QTest::newRow("clave parecida") << QByteArray("[General]\nUltRutas=/x\nUlt=/y\n");
        QTest::newRow("sección en otra línea de clave")
            << QByteArray("[General]\n[Resto]\nUltRuta=/x\n");
        QTest::newRow("archivo vacío") << QByteArray();
        QTest::newRow("basura") << QByteArrayLiteral("\xff\xfe\x00garbage\n[[[\n=\n]]\n");
    }
    void leerSinValor() {
        QFETCH(QByteArray, contenido);
        Escribir(ini_, contenido);
        QCOMPARE(LeerIni(ini_, General, UltRuta, PorDefecto), PorDefecto);
    }

    void leerConFormatoLibre_data() {
        QTest::addColumn<QByteArray>("contenido");
        QTest::addColumn<QString>("esperado");
        QTest::newRow("mayúsculas") << QByteArray("[GENERAL]\nULTRUTA=/a\n") << "/a";
        QTest::newRow("minúsculas") << QByteArray("[general]\nultruta=/a\n") << "/a";
        QTest::newRow("blancos") << QByteArray("  [ General ]  \n  UltRuta =  /a b  \n") << "/a b";
        QTest::newRow("CR LF") << QByteArray("[General]\r\nUltRuta=/a\r\n") << "/a";
        QTest::newRow("sin fin de línea") << QByteArray("[General]\nUltRuta=/a") << "/a";
        QTest::newRow("entre basura")
            << QByteArray("ruido sin igual\n[General]\n=sin clave\n\xff\xfe\nUltRuta=/a\n[\n")
            << "/a";
        QTest::newRow("primera clave repetida")
            << QByteArray("[General]\nUltRuta=/a\nUltRuta=/b\n") << "/a";
        QTest::newRow("comillas") << QByteArray("[General]\nUltRuta=\" /a \"\n") << " /a ";
        QTest::newRow("signo igual en el valor")
            << QByteArray("[General]\nUltRuta=/a=b\n") << "/a=b";
        QTest::newRow("UTF-8") << QByteArray("[General]\nUltRuta=/home/jos\xc3\xa9/a\xc3\xb1o\n")
                               << QStringLiteral("/home/josé/año");
    }
    void leerConFormatoLibre() {
        QFETCH(QByteArray, contenido);
        QFETCH(QString, esperado);
        Escribir(ini_, contenido);
        QCOMPARE(LeerIni(ini_, General, UltRuta, PorDefecto), esperado);
    }

    void idaYVuelta_data() {
        QTest::addColumn<QString>("valor");
        QTest::newRow("carpeta") << QStringLiteral("/srv/cobros/2024");
        QTest::newRow("raíz") << QStringLiteral("/");
        QTest::newRow("acentos") << QStringLiteral("/home/josé/Débitos ñ");
        QTest::newRow("blanco al final") << QStringLiteral("/tmp/carpeta ");
        QTest::newRow("blanco al principio") << QStringLiteral(" carpeta");
        QTest::newRow("entre comillas") << QStringLiteral("\"/tmp/x\"");
        QTest::newRow("comilla simple") << QStringLiteral("'a'");
        QTest::newRow("corchetes") << QStringLiteral("[General]");
        QTest::newRow("punto y coma") << QStringLiteral(";no es comentario");
    }
    void idaYVuelta() {
        QFETCH(QString, valor);
        QVERIFY(EscribirIni(ini_, General, UltRuta, valor));
        QCOMPARE(LeerIni(ini_, General, UltRuta, PorDefecto), valor);
    }

    void segundaEscrituraReemplaza() {
        QVERIFY(EscribirIni(ini_, General, UltRuta, QStringLiteral("/uno")));
        QVERIFY(EscribirIni(ini_, QStringLiteral("general"), QStringLiteral("ultruta"),
                            QStringLiteral("/dos")));
        QCOMPARE(Contenido(ini_), QByteArray("[General]\nUltRuta=/dos\n"));
    }

    void valorLargo_data() {
        QTest::addColumn<int>("largo");
        QTest::addColumn<int>("leido");
        QTest::newRow("253") << 253 << 253;
        QTest::newRow("254") << 254 << 254;
        QTest::newRow("255") << 255 << 254;
        QTest::newRow("259") << 259 << 254;
        QTest::newRow("4000") << 4000 << 254;
    }
    void valorLargo() {
        QFETCH(int, largo);
        QFETCH(int, leido);
        QString valor = QStringLiteral("/");
        for (int i = 1; i < largo; ++i)
            valor += QChar(u'a' + i % 26);
        QVERIFY(EscribirIni(ini_, General, UltRuta, valor));
        // The file keeps the whole value; only the read is cut.
        QVERIFY(Contenido(ini_).contains(valor.toUtf8()));
        QCOMPARE(LeerIni(ini_, General, UltRuta, PorDefecto), valor.left(leido));
    }

    void otrasLineasSeConservan_data() {
        QTest::addColumn<QByteArray>("antes");
        QTest::addColumn<QByteArray>("despues");
        QTest::newRow("reemplazo en su sitio")
            << QByteArray("; comentario\n[Otra]\nA=1\n\n[general]\nX=2\nultruta=/viejo\nZ=3\n"
                          "basura \xff\n")
            << QByteArray("; comentario\n[Otra]\nA=1\n\n[general]\nX=2\nultruta=/nuevo\nZ=3\n"
                          "basura \xff\n");
        QTest::newRow("clave nueva al final de su sección")
            << QByteArray("[General]\nX=2\n\n[Otra]\nA=1\n")
            << QByteArray("[General]\nX=2\nUltRuta=/nuevo\n\n[Otra]\nA=1\n");
        QTest::newRow("sección nueva al final")
            << QByteArray("[Otra]\nA=1") << QByteArray("[Otra]\nA=1\n[General]\nUltRuta=/nuevo\n");
        QTest::newRow("CR LF conservado")
            << QByteArray("[Otra]\r\nA=1\r\n[General]\r\nUltRuta=/v\r\n")
            << QByteArray("[Otra]\r\nA=1\r\n[General]\r\nUltRuta=/nuevo\r\n");
    }
    void otrasLineasSeConservan() {
        QFETCH(QByteArray, antes);
        QFETCH(QByteArray, despues);
        Escribir(ini_, antes);
        QVERIFY(EscribirIni(ini_, General, UltRuta, QStringLiteral("/nuevo")));
        QCOMPARE(Contenido(ini_), despues);
    }

    void saltoDeLineaRechazado_data() {
        QTest::addColumn<QString>("seccion");
        QTest::addColumn<QString>("clave");
        QTest::addColumn<QString>("valor");
        QTest::newRow("LF en el valor") << General << UltRuta << "/tmp/a\n[Falsa]\nX=1";
        QTest::newRow("CR en el valor") << General << UltRuta << "/tmp/a\rb";
        QTest::newRow("LF en la clave") << General << "Ult\nRuta"
                                        << "/a";
        QTest::newRow("LF en la sección") << "Gene\nral" << UltRuta << "/a";
    }
    void saltoDeLineaRechazado() {
        QFETCH(QString, seccion);
        QFETCH(QString, clave);
        QFETCH(QString, valor);
        const QByteArray antes("[General]\nUltRuta=/previo\n");
        Escribir(ini_, antes);
        QVERIFY(!EscribirIni(ini_, seccion, clave, valor));
        QCOMPARE(Contenido(ini_), antes);
    }

    void noSePuedeEscribir_data() {
        QTest::addColumn<QString>("caso");
        QTest::newRow("carpeta en lugar del archivo") << "carpeta";
        QTest::newRow("carpeta superior es un archivo") << "padre";
        QTest::newRow("archivo de solo lectura") << "solo lectura";
    }
    void noSePuedeEscribir() {
        QFETCH(QString, caso);
        QString ruta = ini_;
        if (caso == QLatin1String("carpeta")) {
            QVERIFY(QDir().mkdir(ruta));
        } else if (caso == QLatin1String("padre")) {
            Escribir(dir_->filePath(QStringLiteral("archivo")), "x");
            ruta = dir_->filePath(QStringLiteral("archivo/Cobranzia.dat"));
        } else {
            Escribir(ruta, "[General]\nUltRuta=/previo\n");
            QVERIFY(QFile::setPermissions(ruta, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
        }
        QVERIFY(!EscribirIni(ruta, General, UltRuta, QStringLiteral("/nuevo")));
        const QString leido = LeerIni(ruta, General, UltRuta, PorDefecto);
        QCOMPARE(leido,
                 caso == QLatin1String("solo lectura") ? QStringLiteral("/previo") : PorDefecto);
        if (caso == QLatin1String("carpeta"))
            QVERIFY(QFileInfo(ruta).isDir());
    }

private:
    std::unique_ptr<QTemporaryDir> dir_;
    QString ini_;
};

QTEST_GUILESS_MAIN(tst_ini)
#include "tst_ini.moc"
