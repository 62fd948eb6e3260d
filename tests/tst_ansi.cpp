// The ANSI code page conversions, byte by byte and character by character, in
// every position of the runs that the fast paths take whole.

#include "platform/Ansi.h"

#include <QHash>
#include <QTest>

class PruebaAnsi : public QObject {
    Q_OBJECT

private slots:
    void bytesConocidos_data();
    void bytesConocidos();
    void cadaCaracterEnCadaPosicion();
    void idaYVueltaDeTodosLosBytes();
};

void PruebaAnsi::bytesConocidos_data() {
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("caracter");
    QTest::newRow("A") << 0x41 << 0x41;
    QTest::newRow("NUL") << 0x00 << 0x00;
    QTest::newRow("euro") << 0x80 << 0x20AC;
    QTest::newRow("sin definir 0x81") << 0x81 << 0x81;
    QTest::newRow("S con caron") << 0x8A << 0x160;
    QTest::newRow("sin definir 0x9D") << 0x9D << 0x9D;
    QTest::newRow("Y con dieresis") << 0x9F << 0x178;
    QTest::newRow("espacio duro") << 0xA0 << 0xA0;
    QTest::newRow("eñe") << 0xF1 << 0xF1;
    QTest::newRow("y con dieresis") << 0xFF << 0xFF;
}

void PruebaAnsi::bytesConocidos() {
    QFETCH(int, byte);
    QFETCH(int, caracter);
    for (const int posicion : {0, 7, 15, 16, 31, 32, 40, 47}) {
        QByteArray bytes(48, 'a');
        bytes[posicion] = static_cast<char>(byte);
        const QString texto = DesdeAnsi(bytes);
        QCOMPARE(texto.size(), 48);
        QCOMPARE(int(texto.at(posicion).unicode()), caracter);
        QCOMPARE(texto.count(u'a'), 47);
        QCOMPARE(HaciaAnsi(texto), bytes);
    }
}

void PruebaAnsi::cadaCaracterEnCadaPosicion() {
    // The byte of each character, as the one-character conversion gives it.
    QHash<char16_t, char> byteDe;
    for (int b = 0; b < 256; ++b)
        byteDe.insert(DesdeAnsi(QByteArray(1, static_cast<char>(b))).at(0).unicode(),
                      static_cast<char>(b));
    QCOMPARE(byteDe.size(), 256);

    QString texto(40, u'x');
    QByteArray bytes;
    for (int c = 0; c <= 0xFFFF; ++c) {
        const int posicion = c % 40;
        texto[posicion] = QChar(char16_t(c));
        HaciaAnsi(texto, bytes);
        QByteArray esperados(40, 'x');
        esperados[posicion] = byteDe.value(char16_t(c), CaracterPredeterminadoAnsi);
        if (bytes != esperados)
            QFAIL(qPrintable(
                QStringLiteral("U+%1 en %2").arg(c, 4, 16, QLatin1Char('0')).arg(posicion)));
        texto[posicion] = u'x';
    }
}

void PruebaAnsi::idaYVueltaDeTodosLosBytes() {
    QByteArray bytes;
    for (int vuelta = 0; vuelta < 3; ++vuelta) {
        for (int b = 0; b < 256; ++b)
            bytes += static_cast<char>(b);
    }
    for (qsizetype desde = 0; desde < 40; ++desde) {
        const QByteArray trozo = bytes.mid(desde);
        QCOMPARE(HaciaAnsi(DesdeAnsi(trozo)), trozo);
    }
}

QTEST_GUILESS_MAIN(PruebaAnsi)
#include "tst_ansi.moc"
