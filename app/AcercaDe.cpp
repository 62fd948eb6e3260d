#include "app/frmPrincipal.h"

#include "app/TextosVentana.h"
#include "platform/proceso/TextoVisible.h"
#include "run/Programa.h"

#include <QCoreApplication>
#include <QFile>
#include <QMessageBox>

namespace {

// The licence's name, as the copyright file's first License field gives it,
// and the whole file.
struct Licencia {
    QString nombre;
    QString texto;
};

Licencia LeerLicencia() {
    QFile archivo(QStringLiteral(":/copyright"));
    if (!archivo.open(QIODevice::ReadOnly))
        return {};
    Licencia licencia{QString(), QString::fromUtf8(archivo.readAll())};
    for (const QString& linea : licencia.texto.split(u'\n'))
        if (linea.startsWith(QLatin1String("License:"))) {
            licencia.nombre = linea.mid(8).trimmed();
            break;
        }
    return licencia;
}

// The database in use, never with a password: the file, or where the server is.
QString BaseEnUso(const Programa& programa) {
    if (const std::optional<DestinoPostgres> servidor =
            programa.gConexion() ? programa.gConexion()->DestinoServidor() : std::nullopt)
        return TextosVentana::AcercaDeBaseServidor.arg(
            TextoVisible(servidor->servidor), TextoVisible(servidor->puerto),
            TextoVisible(servidor->base), TextoVisible(servidor->usuario));
    return TextosVentana::AcercaDeBaseArchivo.arg(TextoVisible(programa.BaseDatos()));
}

} // namespace

// F1: what a support call asks for, in one box the operator can copy from.
void frmPrincipal::AcercaDe() {
    const Licencia licencia = LeerLicencia();
    const QStringList lineas{
        TextosVentana::AcercaDeVersion.arg(QCoreApplication::applicationVersion()),
        TextosVentana::AcercaDeResumen,
        QString(),
        BaseEnUso(programa_),
        TextosVentana::AcercaDeDatos.arg(TextoVisible(programa_.RutaDatos())),
        TextosVentana::AcercaDeIni.arg(TextoVisible(strArchivoIni)),
        TextosVentana::AcercaDeLicencia.arg(licencia.nombre),
    };
    QMessageBox caja(QMessageBox::Information, TextosVentana::TituloAcercaDe, lineas.join(u'\n'),
                     QMessageBox::Ok, this);
    caja.setObjectName(QStringLiteral("acercaDe"));
    caja.setIconPixmap(windowIcon().pixmap(64));
    caja.setTextFormat(Qt::PlainText);
    caja.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    caja.setDetailedText(licencia.texto);
    caja.exec();
}
