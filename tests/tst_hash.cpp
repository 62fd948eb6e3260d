// The hash service through the real md5 library: published vectors, the ANSI
// bytes of every character, files; and through stand-ins that lack an export
// or leave the buffer as it was.

#include "hash/CHash.h"
#include "platform/archivos/Ansi.h"
#include "platform/proceso/ErrorEjecucion.h"
#include "tests/comun/Entorno.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <sys/stat.h>

namespace {
QString Biblioteca() {
    return CarpetaProgramaConstruida() + QStringLiteral("/libmd5.so");
}
QString Sustituta(int variante) {
    return QStringLiteral(COBRANZIA_BIBLIOTECAS_PRUEBA "/libmd5prueba%1.so").arg(variante);
}
} // namespace

class PruebaHash : public QObject {
    Q_OBJECT
private slots:
    void texto_data();
    void texto();
    void todosLosBytes();
    void archivo_data();
    void archivo();
    void biblioteca_data();
    void biblioteca();
};

void PruebaHash::texto_data() {
    QTest::addColumn<QString>("texto");
    QTest::addColumn<QString>("digest");
    QTest::newRow("vacío") << QString("") << "D41D8CD98F00B204E9800998ECF8427E";
    QTest::newRow("abc") << QString("abc") << "900150983CD24FB0D6963F7D28E17F72";
    QTest::newRow("cadena del ejemplo")
        << QString("abc900150983CD24FB0D6963F7D28E17F72") << "D39E57FCC1F55502816F4277CA2DC773";
    QTest::newRow("NUL en medio") << QString::fromUtf16(u"a\0b", 3)
                                  << "70350F6027BCE3713F6B76473084309B";
    QTest::newRow("euro, byte 0x80") << QStringLiteral("€") << "8D39DD7EEF115EA6975446EF4082951F";
    QTest::newRow("los cinco bytes sin definir")
        << QString::fromUtf16(u"\u0081\u008D\u008F\u0090\u009D")
        << "8C54F25F7EEC77C81BD685337F9B271B";
    QTest::newRow("fuera de la página: ?")
        << QStringLiteral("Ω") << "D1457B72C3FB323A2671125AEF3EAB5D";
}

void PruebaHash::texto() {
    QFETCH(QString, texto);
    QFETCH(QString, digest);
    CHash hash(Biblioteca());
    QCOMPARE(hash.MD5String(texto), digest);
    QCOMPARE(hash.MD5String(texto), digest);
}

// Bytes to text and back give the same bytes, whatever falls in the runs that
// the conversions take many at a time.
void PruebaHash::todosLosBytes() {
    QByteArray bytes;
    for (int vuelta = 0; vuelta < 3; ++vuelta)
        for (int b = 0; b < 256; ++b)
            bytes += static_cast<char>(b);
    for (qsizetype desde = 0; desde < 40; ++desde) {
        const QByteArray trozo = bytes.mid(desde);
        QCOMPARE(HaciaAnsi(DesdeAnsi(trozo)), trozo);
    }
}

void PruebaHash::archivo_data() {
    QTest::addColumn<QString>("caso");
    QTest::addColumn<QString>("digest");
    QTest::newRow("ruta con acentos") << QString("acentos") << "900150983CD24FB0D6963F7D28E17F72";
    QTest::newRow("binario") << QString("binario") << "E2C865DB4162BED963BFAA9EF6AC18F0";
    QTest::newRow("inexistente") << QString("inexistente") << "";
    QTest::newRow("carpeta") << QString("carpeta") << "";
    QTest::newRow("tubería sin escritor") << QString("fifo") << "";
}

void PruebaHash::archivo() {
    QFETCH(QString, caso);
    QFETCH(QString, digest);
    CarpetaPrueba carpeta(false);
    QString ruta = carpeta.Archivo(caso);
    if (caso == u"acentos")
        ruta = carpeta.Escribir(QStringLiteral("Débitos ñ.txt"), "abc");
    else if (caso == u"binario") {
        QByteArray todos;
        for (int b = 0; b < 256; ++b)
            todos += char(b);
        carpeta.Escribir(caso, todos);
    } else if (caso == u"carpeta")
        QVERIFY(QDir().mkdir(ruta));
    else if (caso == u"fifo")
        QCOMPARE(mkfifo(QFile::encodeName(ruta).constData(), 0600), 0);
    QCOMPARE(CHash(Biblioteca()).MD5File(ruta), digest);
}

// A library or export that is missing fails at the call that needs it, never
// at construction.
void PruebaHash::biblioteca_data() {
    QTest::addColumn<QString>("biblioteca");
    QTest::addColumn<int>("numero");
    QTest::addColumn<QString>("cadena");
    QTest::newRow("ausente") << "/no/existe/libmd5.so" << int(Errores::ErrorCargaDll) << "";
    QTest::newRow("sin exportaciones") << Sustituta(0) << int(Errores::PuntoEntradaDll) << "";
    QTest::newRow("sin MDFile") << Sustituta(1) << int(Errores::PuntoEntradaDll)
                                << QString(32, u' ');
}

void PruebaHash::biblioteca() {
    QFETCH(QString, biblioteca);
    QFETCH(int, numero);
    QFETCH(QString, cadena);
    CHash hash(biblioteca);
    const ErrorEjecucion e = ErrorDe([&] {
        QCOMPARE(hash.MD5String(QStringLiteral("abc")), cadena);
        hash.MD5File(Biblioteca());
    });
    QCOMPARE(e.Numero(), numero);
    QVERIFY2(e.Descripcion().contains(numero == Errores::ErrorCargaDll ? biblioteca : "MD"),
             qPrintable(e.Descripcion()));
}

PRUEBAS_MAIN(PruebaHash, QCoreApplication)
#include "tst_hash.moc"
