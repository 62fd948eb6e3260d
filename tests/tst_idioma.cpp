// Qt's file dialog speaks Spanish whatever the environment's language: under
// LANG=C.UTF-8 it writes dates the Spanish way and names the kinds of file in
// Spanish, as the window's start-up arranges before the application exists.

#include "platform/gui/Aplicacion.h"
#include "tests/comun/Entorno.h"

#include <QDir>
#include <QFileSystemModel>
#include <QTest>

class PruebaIdioma : public QObject {
    Q_OBJECT
private slots:
    void dialogoDeArchivos();
};

void PruebaIdioma::dialogoDeArchivos() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("carpeta"));
    QFile archivo(dir.filePath("lote.txt"));
    QVERIFY(archivo.open(QIODevice::WriteOnly));
    QVERIFY(archivo.setFileTime(QDateTime(QDate(2026, 12, 7), QTime(10, 0)),
                                QFileDevice::FileModificationTime));
    archivo.close();
    QFileSystemModel modelo;
    modelo.setRootPath(dir.path());
    const QModelIndex lote = modelo.index(archivo.fileName());
    QTRY_COMPARE(modelo.type(modelo.index(dir.filePath("carpeta"))), "Carpeta");
    QCOMPARE(modelo.type(lote), "documento de texto sencillo");
    QCOMPARE(modelo.index(lote.row(), 3, lote.parent()).data().toString(), "7/12/26 10:00");
}

int main(int argc, char** argv) {
    qputenv("LANG", "C.UTF-8");
    qputenv("LC_ALL", "C.UTF-8");
    FijarLocaleDelSistema();
    const auto aplicacion = CrearAplicacion(argc, argv);
    PrepararEscritorio();
    PruebaIdioma prueba;
    return EjecutarPruebas(prueba, argc, argv);
}

#include "tst_idioma.moc"
