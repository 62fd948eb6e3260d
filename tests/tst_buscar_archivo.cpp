// The browse button: the dialog as it is set, the path box and the remembered
// folder, answered through the dialog's test hook.
#include "app/frmPrincipal.h"
#include "app/modGral.h"
#include "platform/gui/DialogoComun.h"
#include "tests/comun/Entorno.h"
#include "util/Ini.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTest>

namespace {

// What the dialog was given when it was shown.
struct Vista {
    int flags = 0;
    QString filter, initDir, fileName, defaultExt;
    bool cancelError = true;
};

QByteArray Contenido(const QString& ruta) {
    QFile archivo(ruta);
    return archivo.open(QIODevice::ReadOnly) ? archivo.readAll() : QByteArray();
}

} // namespace

class tst_buscar_archivo : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void primerUsoSinConfiguracion();
    void segundoUsoAbreEnLaCarpetaRecordada();
    void archivoEnLaRaiz();
    void cancelarNoCambiaNada_data();
    void cancelarNoCambiaNada();
    void carpetaRecordadaQueYaNoExiste();
    void rutaEscritaNoInfluye();
    void configuracionNoEscribible_data();
    void configuracionNoEscribible();
    void configuracionConBasura();
    void filtroParaQt();

private:
    // Clicks the browse button; the dialog answers `respuesta`.
    Vista Buscar(const QString& respuesta);
    QString Ini() const { return carpeta_->Archivo(QStringLiteral("Cobranzia.dat")); }
    QLineEdit* Ruta() const {
        return ventana_->findChild<QLineEdit*>(QStringLiteral("txtRutaArchivo"));
    }
    QString ArchivoEn(const QString& subcarpeta, const QString& nombre) const;

    std::unique_ptr<CarpetaPrueba> carpeta_;
    std::unique_ptr<RegistroMensajes> mensajes_;
    frmPrincipal* ventana_ = nullptr;
};

void tst_buscar_archivo::init() {
    carpeta_ = std::make_unique<CarpetaPrueba>(false);
    mensajes_ = std::make_unique<RegistroMensajes>();
    gPrincipal = new frmPrincipal();
    ventana_ = gPrincipal;
    ventana_->show();
}

void tst_buscar_archivo::cleanup() {
    QVERIFY2(mensajes_->Mensajes().isEmpty(), qPrintable(mensajes_->Textos().join(u'|')));
    delete ventana_;
    ventana_ = nullptr;
    gPrincipal = nullptr;
    gSistemaArchivos.reset();
    DialogoComun::EstablecerRespuesta({});
    mensajes_.reset();
    carpeta_.reset();
}

Vista tst_buscar_archivo::Buscar(const QString& respuesta) {
    Vista vista;
    int llamadas = 0;
    DialogoComun::EstablecerRespuesta([&](const DialogoComun& dialogo) {
        ++llamadas;
        vista = {dialogo.Flags,    dialogo.Filter,     dialogo.InitDir,
                 dialogo.FileName, dialogo.DefaultExt, dialogo.CancelError};
        return respuesta;
    });
    QTest::mouseClick(ventana_->findChild<QAbstractButton*>(QStringLiteral("cmdBuscarArchivo")),
                      Qt::LeftButton);
    DialogoComun::EstablecerRespuesta({});
    if (llamadas != 1)
        qWarning("the dialog was shown %d times", llamadas);
    return vista;
}

QString tst_buscar_archivo::ArchivoEn(const QString& subcarpeta, const QString& nombre) const {
    QDir(carpeta_->Ruta()).mkpath(subcarpeta);
    return carpeta_->Escribir(subcarpeta + QLatin1Char('/') + nombre, "D0001 150,00\n");
}

void tst_buscar_archivo::primerUsoSinConfiguracion() {
    QVERIFY(!QFile::exists(Ini()));
    const QString elegido = ArchivoEn(QStringLiteral("debitos"), QStringLiteral("enero.txt"));
    const Vista vista = Buscar(elegido);

    QCOMPARE(vista.flags, 530432);
    QCOMPARE(vista.filter,
             QStringLiteral("Archivos de texto (*.txt)|*.txt|Todos los archivos (*.*)|*.*"));
    QCOMPARE(vista.initDir, carpeta_->Ruta());
    QVERIFY(vista.fileName.isEmpty());
    QVERIFY(!vista.cancelError);

    QCOMPARE(Ruta()->text(), elegido);
    QVERIFY(ventana_->findChild<QAbstractButton*>(QStringLiteral("cmdAceptar"))->isEnabled());
    // The folder, without a separator at its end, in the program folder's settings file.
    const QString carpeta = carpeta_->Archivo(QStringLiteral("debitos"));
    QCOMPARE(Contenido(Ini()), QByteArray("[General]\nUltRuta=") + carpeta.toUtf8() + '\n');
}

void tst_buscar_archivo::segundoUsoAbreEnLaCarpetaRecordada() {
    Buscar(ArchivoEn(QStringLiteral("a"), QStringLiteral("uno.txt")));
    const QString segundo = ArchivoEn(QStringLiteral("b/c"), QStringLiteral("dos.dat"));
    QCOMPARE(Buscar(segundo).initDir, carpeta_->Archivo(QStringLiteral("a")));
    QCOMPARE(Buscar(QString()).initDir, carpeta_->Archivo(QStringLiteral("b/c")));
    QCOMPARE(Ruta()->text(), segundo);
}

void tst_buscar_archivo::archivoEnLaRaiz() {
    Buscar(QStringLiteral("/deudas.txt"));
    QCOMPARE(Ruta()->text(), QStringLiteral("/deudas.txt"));
    QCOMPARE(LeerIni(Ini(), QStringLiteral("General"), QStringLiteral("UltRuta"), QString()),
             QStringLiteral("/"));
    QCOMPARE(Buscar(QString()).initDir, QStringLiteral("/"));
}

void tst_buscar_archivo::cancelarNoCambiaNada_data() {
    QTest::addColumn<bool>("eleccionAnterior");
    QTest::addColumn<bool>("dialogoDelListado");
    QTest::newRow("sin elección anterior") << false << false;
    QTest::newRow("tras una elección") << true << false;
    QTest::newRow("tras el diálogo del listado") << true << true;
}

void tst_buscar_archivo::cancelarNoCambiaNada() {
    QFETCH(bool, eleccionAnterior);
    QFETCH(bool, dialogoDelListado);
    if (eleccionAnterior)
        Buscar(ArchivoEn(QStringLiteral("previa"), QStringLiteral("marzo.txt")));
    if (dialogoDelListado) {
        // As the listing leaves the shared dialog after asking for its template.
        auto* dialogo = ventana_->findChild<DialogoComun*>();
        dialogo->DefaultExt = QStringLiteral(".rpt");
        dialogo->FileName = QStringLiteral("Cobranzia.rpt");
    }
    Ruta()->setText(QStringLiteral("escrito a mano"));
    const QByteArray ini = Contenido(Ini());

    const Vista vista = Buscar(QString());
    QVERIFY(vista.fileName.isEmpty());
    QVERIFY(vista.defaultExt.isEmpty());
    QCOMPARE(Ruta()->text(), QStringLiteral("escrito a mano"));
    QCOMPARE(Contenido(Ini()), ini);
    QCOMPARE(QFile::exists(Ini()), eleccionAnterior);
}

void tst_buscar_archivo::carpetaRecordadaQueYaNoExiste() {
    const QString desaparecida = carpeta_->Archivo(QStringLiteral("borrada"));
    QVERIFY(EscribirIni(Ini(), QStringLiteral("General"), QStringLiteral("UltRuta"), desaparecida));
    // Handed to the dialog as it is; the dialog picks its own folder.
    QCOMPARE(Buscar(QString()).initDir, desaparecida);
}

void tst_buscar_archivo::rutaEscritaNoInfluye() {
    const QString otra = ArchivoEn(QStringLiteral("otra"), QStringLiteral("x.txt"));
    Ruta()->setText(otra);
    QCOMPARE(Buscar(QString()).initDir, carpeta_->Ruta());
}

void tst_buscar_archivo::configuracionNoEscribible_data() {
    QTest::addColumn<bool>("carpetaEnLugarDelArchivo");
    QTest::newRow("carpeta en lugar del archivo") << true;
    QTest::newRow("archivo de solo lectura") << false;
}

void tst_buscar_archivo::configuracionNoEscribible() {
    QFETCH(bool, carpetaEnLugarDelArchivo);
    if (carpetaEnLugarDelArchivo) {
        QVERIFY(QDir().mkdir(Ini()));
    } else {
        carpeta_->Escribir(QStringLiteral("Cobranzia.dat"), "[General]\nUltRuta=/srv\n");
        QVERIFY(QFile::setPermissions(Ini(), QFileDevice::ReadOwner));
    }
    const QString elegido = ArchivoEn(QStringLiteral("nueva"), QStringLiteral("abril.txt"));
    Buscar(elegido);
    // The choice stands; the old entry stays, and no message is shown.
    QCOMPARE(Ruta()->text(), elegido);
    QCOMPARE(Buscar(QString()).initDir,
             carpetaEnLugarDelArchivo ? carpeta_->Ruta() : QStringLiteral("/srv"));
}

void tst_buscar_archivo::configuracionConBasura() {
    carpeta_->Escribir(QStringLiteral("Cobranzia.dat"),
                       "\xff\xfe basura\n[General\n=\n[general]\nultruta = /var/cobros \n[Otra]\n");
    QCOMPARE(Buscar(QString()).initDir, QStringLiteral("/var/cobros"));
    const QString elegido = ArchivoEn(QStringLiteral("mayo"), QStringLiteral("m.txt"));
    Buscar(elegido);
    QCOMPARE(Contenido(Ini()), QByteArray("\xff\xfe basura\n[General\n=\n[general]\nultruta=") +
                                   carpeta_->Archivo(QStringLiteral("mayo")).toUtf8() +
                                   "\n[Otra]\n");
}

void tst_buscar_archivo::filtroParaQt() {
    const QStringList filtros = DialogoComun::FiltroQt(
        QStringLiteral("Archivos de texto (*.txt)|*.txt|Todos los archivos (*.*)|*.*"));
    // "*.*" means every file, also one without a dot.
    QCOMPARE(filtros, QStringList({QStringLiteral("Archivos de texto (*.txt)"),
                                   QStringLiteral("Todos los archivos (*)")}));
    QCOMPARE(DialogoComun::FiltroQt(QStringLiteral("Reportes|*.rpt;*.RPT")),
             QStringList(QStringLiteral("Reportes (*.rpt *.RPT)")));
}

QTEST_MAIN(tst_buscar_archivo)
#include "tst_buscar_archivo.moc"
