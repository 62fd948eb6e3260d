// The hash service through the real md5 library, and through stand-ins that
// lack an export or leave the buffer as it was.

#include "hash/CHash.h"
#include "platform/Ansi.h"
#include "platform/ErrorEjecucion.h"
#include "tests/comun/Entorno.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <optional>

namespace {

const QString kVacio = QStringLiteral("D41D8CD98F00B204E9800998ECF8427E");

QString Md5De(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex())
        .toUpper();
}

std::optional<ErrorEjecucion> ErrorDe(const std::function<void()>& accion) {
    try {
        accion();
    } catch (const ErrorEjecucion& e) {
        return e;
    }
    return std::nullopt;
}

QString BibliotecaPrueba(int variante) {
    return QStringLiteral(COBRANZIA_BIBLIOTECAS_PRUEBA "/libmd5prueba%1.so").arg(variante);
}

// Puts another library in the folder under the name the service looks for.
void PonerBiblioteca(const CarpetaPrueba& carpeta, const QString& origen) {
    const QString destino = carpeta.Archivo(QStringLiteral("libmd5.so"));
    QFile::remove(destino);
    QVERIFY(QFile::copy(origen, destino));
}

bool EsHexadecimal(const QString& texto) {
    for (const QChar c : texto) {
        if (!c.isDigit() && (c.toUpper() < u'A' || c.toUpper() > u'F'))
            return false;
    }
    return true;
}

} // namespace

class PruebaCHash : public QObject {
    Q_OBJECT

private slots:
    void vectoresRfc1321_data();
    void vectoresRfc1321();
    void textosConocidos_data();
    void textosConocidos();
    void todosLosBytesDeLaPaginaDeCodigos();
    void caracteresFueraDeLaPaginaDeCodigosDanElMismoDigest();
    void textosAlAzarComoSusBytes();
    void archivoVacioYPequeno();
    void archivoGrande();
    void archivoInexistenteOCarpeta();
    void archivoConRutaAcentuada();
    void bibliotecaAusenteFallaEnLaLlamada();
    void bibliotecaSinExportacionesFallaEnLaLlamada();
    void cadaExportacionSeBuscaAlUsarla();
    void bufferComoLoDejaLaBiblioteca();
};

void PruebaCHash::vectoresRfc1321_data() {
    QTest::addColumn<QString>("texto");
    QTest::addColumn<QString>("digest");
    QTest::newRow("vacio") << "" << kVacio;
    QTest::newRow("a") << "a"
                       << "0CC175B9C0F1B6A831C399E269772661";
    QTest::newRow("abc") << "abc"
                         << "900150983CD24FB0D6963F7D28E17F72";
    QTest::newRow("message digest") << "message digest"
                                    << "F96B697D7CB7938D525A2F31AAF161D0";
    QTest::newRow("alfabeto") << "abcdefghijklmnopqrstuvwxyz"
                              << "C3FCD3D76192E4007DFB496CCA67E13B";
    QTest::newRow("alfanumerico")
        << "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"
        << "D174AB98D277D9F5A5611C2C9F419D9F";
    QTest::newRow("ochenta digitos")
        << "12345678901234567890123456789012345678901234567890123456789012345678901234567890"
        << "57EDF4A22BE3C955AC49DA2E2107B67A";
}

void PruebaCHash::vectoresRfc1321() {
    QFETCH(QString, texto);
    QFETCH(QString, digest);
    CarpetaPrueba carpeta(false);
    CHash hash;
    const QString resultado = hash.MD5String(texto);
    QCOMPARE(resultado.size(), 32);
    QVERIFY(EsHexadecimal(resultado));
    QCOMPARE(resultado.toUpper(), digest);
}

void PruebaCHash::textosConocidos_data() {
    QTest::addColumn<QString>("texto");
    QTest::addColumn<QString>("digest");
    QTest::newRow("cadena de dos lineas abc") << "abc900150983CD24FB0D6963F7D28E17F72"
                                              << "D39E57FCC1F55502816F4277CA2DC773";
    QTest::newRow("NUL en medio") << QString::fromUtf16(u"a\0b", 3)
                                  << "70350F6027BCE3713F6B76473084309B";
    QTest::newRow("solo NUL") << QString::fromUtf16(u"\0", 1) << "93B885ADFE0DA089CDF634904FD59F71";
    QTest::newRow("NUL al final") << QString::fromUtf16(u"abc\0", 4)
                                  << "147A664A2CA9410911E61986D3F0D52A";
    QTest::newRow("eñe") << QStringLiteral("ñ") << "EDB907361219FB8D50279EABAB0B83B1";
    QTest::newRow("euro, byte 0x80") << QStringLiteral("€") << "8D39DD7EEF115EA6975446EF4082951F";
    QTest::newRow("Y con diéresis, byte 0x9F")
        << QStringLiteral("Ÿ") << "DC5ECCDCF293DB4CFAE59A97C28E7596";
    QTest::newRow("los cinco bytes sin definir")
        << QString::fromUtf16(u"\u0081\u008D\u008F\u0090\u009D")
        << "8C54F25F7EEC77C81BD685337F9B271B";
    QTest::newRow("fuera de la página: ?")
        << QStringLiteral("Ω") << "D1457B72C3FB323A2671125AEF3EAB5D";
}

void PruebaCHash::textosConocidos() {
    QFETCH(QString, texto);
    QFETCH(QString, digest);
    CarpetaPrueba carpeta(false);
    CHash hash;
    QCOMPARE(hash.MD5String(texto).toUpper(), digest);
}

void PruebaCHash::todosLosBytesDeLaPaginaDeCodigos() {
    CarpetaPrueba carpeta(false);
    QByteArray bytes;
    for (int b = 0; b < 256; ++b)
        bytes += static_cast<char>(b);
    // A line read from a file and hashed gives the digest of the file's own bytes.
    CHash hash;
    QCOMPARE(hash.MD5String(DesdeAnsi(bytes)).toUpper(), Md5De(bytes));
    QCOMPARE(hash.MD5String(DesdeAnsi(bytes)).toUpper(), "E2C865DB4162BED963BFAA9EF6AC18F0");
}

void PruebaCHash::caracteresFueraDeLaPaginaDeCodigosDanElMismoDigest() {
    CarpetaPrueba carpeta(false);
    CHash hash;
    const QString omega = hash.MD5String(QStringLiteral("Ωabc"));
    QCOMPARE(hash.MD5String(QStringLiteral("Жabc")), omega);
    QCOMPARE(omega.toUpper(), "465285501C107CDCE21764F4D00FEAE8");
    QVERIFY(hash.MD5String(QStringLiteral("Ωabc")) != hash.MD5String(QStringLiteral("€abc")));
}

void PruebaCHash::textosAlAzarComoSusBytes() {
    // Every length and position, so each stretch of the conversion is crossed.
    CarpetaPrueba carpeta(false);
    CHash hash;
    QRandomGenerator azar(1321);
    const QString extranos = QStringLiteral("ΩЖ中\u0080\u009F\u0100\uFFFD");
    for (int longitud = 0; longitud < 300; ++longitud) {
        QByteArray bytes(longitud, Qt::Uninitialized);
        for (char& b : bytes)
            b = static_cast<char>(azar.bounded(256));
        QString texto = DesdeAnsi(bytes);
        if (longitud > 0 && longitud % 3 == 0) {
            const int donde = azar.bounded(longitud);
            texto[donde] = extranos.at(azar.bounded(extranos.size()));
            bytes[donde] = '?';
        }
        QCOMPARE(hash.MD5String(texto).toUpper(), Md5De(bytes));
    }
}

void PruebaCHash::archivoVacioYPequeno() {
    CarpetaPrueba carpeta(false);
    CHash hash;
    QCOMPARE(hash.MD5File(carpeta.Escribir(QStringLiteral("vacio.txt"), QByteArray())).toUpper(),
             kVacio);
    QCOMPARE(hash.MD5File(carpeta.Escribir(QStringLiteral("abc.txt"), "abc")).toUpper(),
             "900150983CD24FB0D6963F7D28E17F72");
    // Bytes that are not text, NUL among them, count like any other.
    const QByteArray binario("\x00\xFF\r\n\x80", 5);
    QCOMPARE(hash.MD5File(carpeta.Escribir(QStringLiteral("binario"), binario)).toUpper(),
             Md5De(binario));
}

void PruebaCHash::archivoGrande() {
    CarpetaPrueba carpeta(false);
    QTemporaryDir temporal; // in TMPDIR; removed with the file when it goes
    QVERIFY(temporal.isValid());
    const QString ruta = temporal.filePath(QStringLiteral("grande.bin"));
    QCryptographicHash esperado(QCryptographicHash::Md5);
    {
        QFile archivo(ruta);
        QVERIFY(archivo.open(QIODevice::WriteOnly));
        QByteArray bloque(1 << 20, Qt::Uninitialized);
        QRandomGenerator azar(5);
        // 101 MiB and an odd tail, so the last block of the reader is a short one.
        for (int i = 0; i <= 101; ++i) {
            if (i == 101)
                bloque.resize(12345);
            azar.fillRange(reinterpret_cast<quint32*>(bloque.data()), bloque.size() / 4);
            esperado.addData(bloque);
            QCOMPARE(archivo.write(bloque), bloque.size());
        }
    }
    QVERIFY(QFileInfo(ruta).size() > 100 * 1000 * 1000);
    CHash hash;
    QCOMPARE(hash.MD5File(ruta).toUpper(),
             QString::fromLatin1(esperado.result().toHex()).toUpper());
    QVERIFY(QFile::remove(ruta));
}

void PruebaCHash::archivoInexistenteOCarpeta() {
    CarpetaPrueba carpeta(false);
    CHash hash;
    QCOMPARE(hash.MD5File(carpeta.Archivo(QStringLiteral("no-existe.txt"))), QString());
    QCOMPARE(hash.MD5File(carpeta.Ruta()), QString());
    QCOMPARE(hash.MD5File(QString()), QString());
}

void PruebaCHash::archivoConRutaAcentuada() {
    // The path crosses to the library in the ANSI code page, and still names
    // the file the system spells in UTF-8.
    CarpetaPrueba carpeta(false);
    const QString ruta = carpeta.Escribir(QStringLiteral("Año €.txt"), "abc");
    CHash hash;
    QCOMPARE(hash.MD5File(ruta).toUpper(), "900150983CD24FB0D6963F7D28E17F72");
    // A character the code page lacks cannot reach the file.
    const QString griega = carpeta.Escribir(QStringLiteral("Ω.txt"), "abc");
    QCOMPARE(hash.MD5File(griega), QString());
}

void PruebaCHash::bibliotecaAusenteFallaEnLaLlamada() {
    CarpetaPrueba carpeta(false);
    const QString biblioteca = carpeta.Archivo(QStringLiteral("libmd5.so"));
    QVERIFY(QFile::remove(biblioteca));
    CHash hash; // constructing touches nothing

    const auto error = ErrorDe([&] { hash.MD5String(QStringLiteral("abc")); });
    QVERIFY(error);
    QCOMPARE(error->Numero(), 48);
    QVERIFY(error->Descripcion().startsWith(QStringLiteral("Error al cargar la DLL")));
    QVERIFY(error->Descripcion().contains(biblioteca));
    const auto errorArchivo = ErrorDe([&] { hash.MD5File(biblioteca); });
    QVERIFY(errorArchivo);
    QCOMPARE(errorArchivo->Numero(), 48);

    // A failed load is not remembered: once the library is there, it serves.
    QVERIFY(QFile::copy(CarpetaProgramaConstruida() + QStringLiteral("/libmd5.so"), biblioteca));
    QCOMPARE(hash.MD5String(QStringLiteral("abc")).toUpper(), "900150983CD24FB0D6963F7D28E17F72");
}

void PruebaCHash::bibliotecaSinExportacionesFallaEnLaLlamada() {
    CarpetaPrueba carpeta(false);
    PonerBiblioteca(carpeta, BibliotecaPrueba(0));
    CHash hash;
    const auto error = ErrorDe([&] { hash.MD5String(QStringLiteral("abc")); });
    QVERIFY(error);
    QCOMPARE(error->Numero(), 453);
    QCOMPARE(error->Descripcion(),
             QStringLiteral("No se encontró el punto de entrada de la DLL: MDStringFix"));
    const auto errorArchivo = ErrorDe([&] { hash.MD5File(carpeta.Ruta()); });
    QVERIFY(errorArchivo);
    QCOMPARE(errorArchivo->Numero(), 453);
    QVERIFY(errorArchivo->Descripcion().endsWith(QStringLiteral("MDFile")));
}

void PruebaCHash::cadaExportacionSeBuscaAlUsarla() {
    // MDStringFix alone, and it leaves the buffer as it was.
    CarpetaPrueba carpeta(false);
    PonerBiblioteca(carpeta, BibliotecaPrueba(1));
    CHash hash;
    QCOMPARE(hash.MD5String(QStringLiteral("abc")), QString(32, u' '));
    const auto error = ErrorDe([&] { hash.MD5File(carpeta.Ruta()); });
    QVERIFY(error);
    QCOMPARE(error->Numero(), 453);
    QCOMPARE(hash.MD5String(QString()), QString(32, u' '));
}

void PruebaCHash::bufferComoLoDejaLaBiblioteca() {
    // Each program folder has its library: a fresh CHash in this one finds the
    // stand-in, not the library of the earlier tests.
    CarpetaPrueba carpeta(false);
    PonerBiblioteca(carpeta, BibliotecaPrueba(2));
    CHash hash;
    QCOMPARE(hash.MD5String(QStringLiteral("abc")),
             QStringLiteral("  0123456789ABCDEF0123456789AB  "));
    QCOMPARE(hash.MD5File(carpeta.Ruta()), QStringLiteral("0123456789ABCDEF0123456789AB"));
}

QTEST_GUILESS_MAIN(PruebaCHash)
#include "tst_chash.moc"
