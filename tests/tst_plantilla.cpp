// The template reader: the shipped template, and templates that are broken
// in the ways a file on disk can be.
#include "platform/ErrorEjecucion.h"
#include "platform/reporte/DisposicionPagina.h"
#include "platform/reporte/Plantilla.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

namespace {
QString Enviada() {
    return QStringLiteral(COBRANZIA_FUENTES "/data/Cobranzia.rpt");
}

QByteArray Contenido() {
    QFile f(Enviada());
    if (!f.open(QIODevice::ReadOnly))
        qFatal("falta la plantilla enviada");
    return f.readAll();
}

// The shipped template with one value replaced (an empty value removes the key).
QByteArray Cambiada(const QString& seccion, const QString& clave, const QJsonValue& valor) {
    QJsonObject raiz = QJsonDocument::fromJson(Contenido()).object();
    QJsonObject parte = seccion.isEmpty() ? raiz : raiz.value(seccion).toObject();
    if (valor.isUndefined())
        parte.remove(clave);
    else
        parte.insert(clave, valor);
    if (seccion.isEmpty())
        raiz = parte;
    else
        raiz.insert(seccion, parte);
    return QJsonDocument(raiz).toJson();
}
} // namespace

class PruebaPlantilla : public QObject {
    Q_OBJECT
private slots:
    void enviada();
    void disposicion();
    void invalida_data();
    void invalida();
    void archivoAusente();
};

void PruebaPlantilla::enviada() {
    const Plantilla p = LeerPlantilla(Enviada());
    QCOMPARE(p.origen, QStringLiteral("DSN=Cobranzia"));
    QCOMPARE(p.tablas.value(QStringLiteral("dao")), QStringLiteral("Datos"));
    QVERIFY(p.formulas.contains(QStringLiteral("Archivo")));
    QVERIFY(p.formulas.contains(QStringLiteral("Hash")));
    QCOMPARE(p.tablaDetalle, QStringLiteral("dao"));
    QCOMPARE(p.campoDetalle, QStringLiteral("t_datos"));
    QCOMPARE(p.fuenteDetalle.familia, QStringLiteral("DejaVu Sans Mono"));
    QCOMPARE(p.pie, QStringLiteral("Página {pagina} de {paginas}"));
    const QString encabezado = p.encabezado.join(QLatin1Char('\n'));
    for (const char* marca : {"{@Archivo}", "{@Hash}", "{fecha}", "{hora}"})
        QVERIFY2(encabezado.contains(QLatin1String(marca)), marca);
    QVERIFY(p.cierre.contains(QStringLiteral("{filas}")));
}

// A debit record of 162 characters fits one line of the shipped template.
void PruebaPlantilla::disposicion() {
    const DisposicionPagina d(LeerPlantilla(Enviada()));
    QVERIFY2(d.CaracteresPorLinea() >= 162, qPrintable(QString::number(d.CaracteresPorLinea())));
    QVERIFY(d.LineasPorPagina() >= 30);
    QVERIFY(d.Detalle().bottom() <= d.Pie().top());
    QVERIFY(d.Encabezado().bottom() <= d.Detalle().top());
    QVERIFY(d.Detalle().top() + d.LineasPorPagina() * d.AlturaLinea() <= d.Detalle().bottom());
}

void PruebaPlantilla::invalida_data() {
    QTest::addColumn<QByteArray>("contenido");
    QTest::addColumn<QString>("motivo");
    const QByteArray bien = Contenido();
    QTest::newRow("vacía") << QByteArray() << "el archivo está vacío";
    QTest::newRow("en blanco") << QByteArray(" \n\t\n") << "el archivo está vacío";
    QTest::newRow("truncada") << bien.left(bien.size() / 2) << "no es JSON válido";
    QTest::newRow("texto") << QByteArray("Listado de Cobranzia\n") << "no es JSON válido";
    QTest::newRow("binaria") << QByteArray("\x00\x01\x02\xff", 4) << "no es JSON válido";
    QTest::newRow("lista") << QByteArray("[1, 2]") << "no es un objeto JSON";
    QTest::newRow("otro formato") << Cambiada({}, "formato", "otro-motor") << "cobranzia-plantilla";
    QTest::newRow("sin origen") << Cambiada({}, "origen", QJsonValue::Undefined) << "«origen»";
    QTest::newRow("sin tablas") << Cambiada({}, "tablas", QJsonValue::Undefined) << "«tablas»";
    QTest::newRow("tabla con comilla")
        << Cambiada({}, "tablas", QJsonObject{{"dao", "Datos\" --"}}) << "no es un nombre válido";
    QTest::newRow("campo sin tabla")
        << Cambiada("detalle", "campo", "t_datos") << "no es un nombre válido";
    QTest::newRow("campo con espacio")
        << Cambiada("detalle", "campo", "dao.t datos") << "no es un nombre válido";
    QTest::newRow("puntos negativos") << Cambiada("detalle", "puntos", -3) << "fuera de rango";
    QTest::newRow("puntos en texto") << Cambiada("detalle", "puntos", "7") << "«puntos»";
    QTest::newRow("tamaño desconocido") << Cambiada("pagina", "tamano", "B7") << "«B7»";
    QTest::newRow("orientación") << Cambiada("pagina", "orientacion", "oblicua") << "«oblicua»";
    QTest::newRow("marca desconocida") << Cambiada("pie", "texto", "Hoja {hoja}") << "«{hoja}»";
    QTest::newRow("fórmula no declarada")
        << Cambiada("cierre", "texto", "{@Total}") << "«{@Total}»";
}

void PruebaPlantilla::invalida() {
    QFETCH(QByteArray, contenido);
    QFETCH(QString, motivo);
    try {
        LeerPlantillaDeTexto(contenido, QStringLiteral("/x/Cobranzia.rpt"));
        QFAIL("se leyó una plantilla no válida");
    } catch (const ErrorEjecucion& e) {
        QCOMPARE(e.Numero(), 20510);
        QVERIFY2(e.Descripcion().startsWith(QStringLiteral(
                     "El archivo «/x/Cobranzia.rpt» no es una plantilla de reporte válida: ")),
                 qPrintable(e.Descripcion()));
        QVERIFY2(e.Descripcion().contains(motivo), qPrintable(e.Descripcion()));
    }
}

void PruebaPlantilla::archivoAusente() {
    for (const QString& ruta :
         {QStringLiteral("/no/existe/Cobranzia.rpt"), QStringLiteral("/tmp"), QString()}) {
        try {
            LeerPlantilla(ruta);
            QFAIL("se leyó una plantilla que no está");
        } catch (const ErrorEjecucion& e) {
            QCOMPARE(e.Numero(), 20507);
        }
    }
}

QTEST_MAIN(PruebaPlantilla)
#include "tst_plantilla.moc"
