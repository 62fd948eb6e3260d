// The preview window: turning pages, zooming, printing a range, saving PDF,
// and painting only what is in view.
#include "platform/gui/ControlReporte.h"
#include "platform/gui/LienzoPaginas.h"
#include "platform/gui/VistaPrevia.h"
#include "platform/reporte/Reporte.h"
#include "tests/comun/Entorno.h"
#include "tests/comun/ListadoPrueba.h"

#include <QApplication>
#include <QFile>
#include <QPrinter>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>
#include <QWheelEvent>

namespace {
constexpr int kFilas = 2000;

QStringList Filas() {
    QStringList filas;
    for (int i = 1; i <= kFilas; ++i)
        filas << QStringLiteral("REG%1 CUENTA 0049 0001 51 2345678901 IMPORTE %2")
                     .arg(i, 5, 10, QLatin1Char('0'))
                     .arg(i * 3);
    return filas;
}

void Rueda(QWidget* destino, int delta, Qt::KeyboardModifiers teclas) {
    const QPointF centro(destino->width() / 2.0, destino->height() / 2.0);
    QWheelEvent evento(centro, destino->mapToGlobal(centro), QPoint(), QPoint(0, delta),
                       Qt::NoButton, teclas, Qt::NoScrollPhase, false);
    QApplication::sendEvent(destino, &evento);
}
} // namespace

class PruebaVistaPrevia : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void pintaSoloLoVisible();
    void teclasDePagina();
    void campoDePagina();
    void zoomConRueda();
    void ajustes();
    void imprimirUnRango();
    void pdfNoEscrito();
    void pdfDetenido();

private:
    std::unique_ptr<CarpetaPrueba> carpeta_;
    std::unique_ptr<QWidget> ventana_;
    VistaPrevia* vista_ = nullptr;
    LienzoPaginas* lienzo_ = nullptr;
};

void PruebaVistaPrevia::initTestCase() {
    carpeta_ = std::make_unique<CarpetaPrueba>();
    RegistrarOrigen();
    GuardarFilas(*carpeta_, QStringLiteral("COB.txt"), Filas());
}

void PruebaVistaPrevia::cleanupTestCase() {
    ventana_.reset();
    carpeta_.reset();
}

void PruebaVistaPrevia::init() {
    ventana_ = std::make_unique<QWidget>();
    auto* rpt = new ControlReporte(ventana_.get());
    rpt->SetConnect(QStringLiteral("DSN=Cobranzia"));
    rpt->SetReportFileName(carpeta_->Archivo(QStringLiteral("Cobranzia.rpt")));
    rpt->SetFormulas(0, QStringLiteral("Archivo = 'COB.txt'"));
    rpt->SetSelectionFormula(QStringLiteral("{dao.t_archivo} = 'COB.txt'"));
    rpt->SetWindowTitle(QStringLiteral("Listado de Cobranzia"));
    rpt->SetWindowState(2);
    QCOMPARE(rpt->PrintReport(), 1);
    QCOMPARE(rpt->Vistas().size(), 1);
    vista_ = rpt->Vistas().first();
    lienzo_ = vista_->Lienzo();
    QVERIFY(QTest::qWaitForWindowExposed(vista_));
}

void PruebaVistaPrevia::pintaSoloLoVisible() {
    const qint64 total = vista_->Listado().TotalPaginas();
    QVERIFY(total > 20);
    const QImage imagen = lienzo_->viewport()->grab().toImage();
    QVERIFY(vista_->Listado().PaginasLeidas() <= 3);
    // Something dark was drawn: the text of the first page.
    bool tinta = false;
    for (int y = 0; y < imagen.height() && !tinta; y += 2)
        for (int x = 0; x < imagen.width() && !tinta; x += 2)
            tinta = qGray(imagen.pixel(x, y)) < 60;
    QVERIFY(tinta);
    lienzo_->IrAPagina(total - 1);
    lienzo_->viewport()->grab();
    QVERIFY(vista_->Listado().PaginasLeidas() <= 6);
}

void PruebaVistaPrevia::teclasDePagina() {
    auto* campo = vista_->findChild<QSpinBox*>();
    QVERIFY(campo);
    const qint64 ultima = vista_->Listado().TotalPaginas() - 1;
    lienzo_->setFocus();
    QTest::keyClick(lienzo_, Qt::Key_PageDown);
    QCOMPARE(lienzo_->PaginaActual(), 1);
    QTest::keyClick(lienzo_, Qt::Key_PageDown);
    QCOMPARE(lienzo_->PaginaActual(), 2);
    QCOMPARE(campo->value(), 3);
    QTest::keyClick(lienzo_, Qt::Key_PageUp);
    QCOMPARE(lienzo_->PaginaActual(), 1);
    QTest::keyClick(lienzo_, Qt::Key_End);
    QCOMPARE(lienzo_->PaginaActual(), ultima);
    QTest::keyClick(lienzo_, Qt::Key_PageDown);
    QCOMPARE(lienzo_->PaginaActual(), ultima);
    QCOMPARE(campo->value(), int(ultima + 1));
    QTest::keyClick(lienzo_, Qt::Key_Home);
    QCOMPARE(lienzo_->PaginaActual(), 0);
    QTest::keyClick(lienzo_, Qt::Key_PageUp);
    QCOMPARE(lienzo_->PaginaActual(), 0);
}

void PruebaVistaPrevia::campoDePagina() {
    auto* campo = vista_->findChild<QSpinBox*>();
    QCOMPARE(campo->maximum(), int(vista_->Listado().TotalPaginas()));
    campo->setValue(10);
    QCOMPARE(lienzo_->PaginaActual(), 9);
    QCOMPARE(lienzo_->verticalScrollBar()->value() > 0, true);
}

void PruebaVistaPrevia::zoomConRueda() {
    const qreal antes = lienzo_->Zoom();
    Rueda(lienzo_->viewport(), 120, Qt::ControlModifier);
    QVERIFY(lienzo_->Zoom() > antes);
    Rueda(lienzo_->viewport(), -120, Qt::ControlModifier);
    Rueda(lienzo_->viewport(), -120, Qt::ControlModifier);
    QVERIFY(lienzo_->Zoom() < antes);
    const qreal zoom = lienzo_->Zoom();
    const int posicion = lienzo_->verticalScrollBar()->value();
    Rueda(lienzo_->viewport(), -120, Qt::NoModifier);
    QCOMPARE(lienzo_->Zoom(), zoom);
    QVERIFY(lienzo_->verticalScrollBar()->value() > posicion);
}

void PruebaVistaPrevia::ajustes() {
    const QSizeF pagina = vista_->Listado().Disposicion().Tamano();
    const QSize vista = lienzo_->viewport()->size();
    lienzo_->AjustarAncho();
    QVERIFY(pagina.width() * lienzo_->Zoom() <= vista.width());
    QVERIFY(pagina.width() * lienzo_->Zoom() > vista.width() * 0.9);
    lienzo_->AjustarPagina();
    QVERIFY(pagina.width() * lienzo_->Zoom() <= vista.width());
    QVERIFY(pagina.height() * lienzo_->Zoom() <= vista.height());
    lienzo_->Acercar();
    QVERIFY(pagina.height() * lienzo_->Zoom() > vista.height() * 0.9);
}

// Pages 2 and 3 only, through the printer path.
void PruebaVistaPrevia::imprimirUnRango() {
    const QString pdf = carpeta_->Archivo(QStringLiteral("impreso.pdf"));
    QPrinter impresora(QPrinter::HighResolution);
    impresora.setOutputFormat(QPrinter::PdfFormat);
    impresora.setOutputFileName(pdf);
    QVERIFY(vista_->ImprimirEn(impresora, 1, 2));
    const QString texto = TextoPdf(pdf);
    const qint64 total = vista_->Listado().TotalPaginas();
    QVERIFY(!texto.contains(QStringLiteral("Página 1 de %1").arg(total)));
    QVERIFY(texto.contains(QStringLiteral("Página 2 de %1").arg(total)));
    QVERIFY(texto.contains(QStringLiteral("Página 3 de %1").arg(total)));
    QVERIFY(!texto.contains(QStringLiteral("Página 4 de %1").arg(total)));
    QCOMPARE(texto.count(QLatin1Char('\f')), 2);
}

void PruebaVistaPrevia::pdfNoEscrito() {
    RegistroMensajes mensajes;
    QVERIFY(!vista_->GuardarPdf(QStringLiteral("/no/existe/listado.pdf")));
    QCOMPARE(mensajes.Textos().size(), 1);
    QVERIFY(mensajes.Textos().first().startsWith(
        QStringLiteral("No se pudo escribir el archivo «/no/existe/listado.pdf»")));
}

// Stopped half way, the export leaves the earlier file as it was.
void PruebaVistaPrevia::pdfDetenido() {
    const QString ruta = carpeta_->Escribir(QStringLiteral("detenido.pdf"), "anterior");
    qint64 avisos = 0;
    const bool completo = vista_->Listado().ExportarPdf(ruta, [&avisos](qint64 hechas) {
        avisos = hechas;
        return hechas < 3;
    });
    QVERIFY(!completo);
    QCOMPARE(avisos, 3);
    QFile archivo(ruta);
    QVERIFY(archivo.open(QIODevice::ReadOnly));
    QCOMPARE(archivo.readAll(), QByteArray("anterior"));
}

QTEST_MAIN(PruebaVistaPrevia)
#include "tst_vistaprevia.moc"
