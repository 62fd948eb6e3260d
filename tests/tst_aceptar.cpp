// The accept button in the real window: a debit file becomes its rows, its
// control code and its listing; a failed run shows its one message and keeps
// the earlier rows.

#include "app/frmPrincipal.h"
#include "app/modGral.h"
#include "dsn/CrearDSNListado.h"
#include "platform/Puntero.h"
#include "platform/SistemaArchivos.h"
#include "platform/gui/VistaPrevia.h"
#include "run/CorridaControl.h"
#include "tests/comun/Entorno.h"
#include "tests/comun/ListadoPrueba.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QTest>

namespace {

QList<VistaPrevia*> Vistas() {
    QList<VistaPrevia*> vistas;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* v = qobject_cast<VistaPrevia*>(w); v && v->isVisible())
            vistas << v;
    }
    return vistas;
}

} // namespace

class PruebaAceptar : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void archivoRealHastaElListado();
    void archivoDesaparecidoNoTocaLaBase();

private:
    void Aceptar(const QString& ruta);

    std::unique_ptr<CarpetaPrueba> carpeta_;
    std::unique_ptr<RegistroMensajes> mensajes_;
};

void PruebaAceptar::init() {
    carpeta_ = std::make_unique<CarpetaPrueba>();
    mensajes_ = std::make_unique<RegistroMensajes>();
    QVERIFY(Main());
    QVERIFY(QTest::qWaitForWindowExposed(gPrincipal));
}

void PruebaAceptar::cleanup() {
    for (VistaPrevia* v : Vistas())
        v->close();
    TerminarPrograma();
    mensajes_.reset();
    carpeta_.reset();
}

void PruebaAceptar::Aceptar(const QString& ruta) {
    gPrincipal->findChild<QLineEdit*>(QStringLiteral("txtRutaArchivo"))->setText(ruta);
    auto* aceptar = gPrincipal->findChild<QAbstractButton*>(QStringLiteral("cmdAceptar"));
    QVERIFY(aceptar->isEnabled());
    QTest::mouseClick(aceptar, Qt::LeftButton);
}

void PruebaAceptar::archivoRealHastaElListado() {
    GuardarFilas(*carpeta_, QStringLiteral("lote 07.txt"), {QStringLiteral("VIEJA")});
    GuardarFilas(*carpeta_, QStringLiteral("otro.txt"), {QStringLiteral("AJENA")});
    const QString ruta = carpeta_->Escribir(
        QStringLiteral("lote 07.txt"),
        "H20261201 COBRANZIA\r\nD0001 GARCIA  000120,50\r\nD0002 O'HARA  000099,00  \r\nT0002\r\n");
    SistemaArchivos sistema;
    const QString codigo = CalcularCodigoControl(sistema, ruta);

    Aceptar(ruta);

    QCOMPARE(mensajes_->Textos(), QStringList());
    QCOMPARE(PunteroActual(), PunteroPredeterminado);
    QCOMPARE(FilasGuardadas(carpeta_->Base(), QStringLiteral("lote 07.txt")),
             (QStringList{QStringLiteral("D0001 GARCIA  000120,50"),
                          QStringLiteral("D0002 O'HARA  000099,00")}));
    QCOMPARE(FilasGuardadas(carpeta_->Base(), QStringLiteral("otro.txt")),
             QStringList{QStringLiteral("AJENA")});
    const QList<VistaPrevia*> vistas = Vistas();
    QCOMPARE(vistas.size(), 1);
    QCOMPARE(vistas.front()->windowTitle(), QStringLiteral("Listado de Cobranzia"));
    QVERIFY(vistas.front()->windowState() & Qt::WindowMaximized);

    const QString pdf = carpeta_->Archivo(QStringLiteral("listado.pdf"));
    QVERIFY(vistas.front()->GuardarPdf(pdf));
    // pdftotext rebuilds the spacing from glyph positions: compare words.
    const QString texto = TextoPdf(pdf).simplified();
    for (const QString& esperado :
         {codigo, QStringLiteral("lote 07.txt"), QStringLiteral("D0001 GARCIA  000120,50"),
          QStringLiteral("D0002 O'HARA  000099,00")})
        QVERIFY2(texto.contains(esperado.simplified()),
                 qPrintable(esperado + QStringLiteral(" no está en:\n") + texto));
    for (const QString& ajeno :
         {QStringLiteral("VIEJA"), QStringLiteral("AJENA"), QStringLiteral("H20261201")})
        QVERIFY2(!texto.contains(ajeno), qPrintable(ajeno));
}

void PruebaAceptar::archivoDesaparecidoNoTocaLaBase() {
    GuardarFilas(*carpeta_, QStringLiteral("lote.txt"),
                 {QStringLiteral("VIEJA 1"), QStringLiteral("VIEJA 2")});
    const QString ruta = carpeta_->Escribir(QStringLiteral("lote.txt"), "D1\r\n");
    gPrincipal->findChild<QLineEdit*>(QStringLiteral("txtRutaArchivo"))->setText(ruta);
    QVERIFY(QFile::remove(ruta));
    QTest::mouseClick(gPrincipal->findChild<QAbstractButton*>(QStringLiteral("cmdAceptar")),
                      Qt::LeftButton);

    QCOMPARE(
        mensajes_->Textos(),
        QStringList{
            QStringLiteral("Error 53 (No se encontró el archivo: %1) in procedure cmdAceptar_Click "
                           "of Formulario frmPrincipal")
                .arg(ruta)});
    QCOMPARE(mensajes_->Mensajes().front().icono, IconoMensaje::Ninguno);
    QCOMPARE(PunteroActual(), PunteroPredeterminado);
    QVERIFY(Vistas().isEmpty());

    QCOMPARE(FilasGuardadas(carpeta_->Base(), QStringLiteral("lote.txt")),
             (QStringList{QStringLiteral("VIEJA 1"), QStringLiteral("VIEJA 2")}));
}

QTEST_MAIN(PruebaAceptar)
#include "tst_aceptar.moc"
