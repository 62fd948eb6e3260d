#include "tests/comun/Entorno.h"

#include "platform/BaseDatos.h"
#include "platform/Programa.h"

#include <QDir>
#include <QFile>
#include <QTest>

CarpetaPrueba::CarpetaPrueba(bool conBase) {
    QVERIFY2(dir_.isValid(), "no se pudo crear la carpeta temporal");
    const QDir construida(CarpetaProgramaConstruida());
    for (const QString& nombre : {QStringLiteral("libmd5.so"), QStringLiteral("Cobranzia.rpt")}) {
        if (construida.exists(nombre))
            QFile::copy(construida.filePath(nombre), dir_.filePath(nombre));
    }
    if (conBase) {
        bool creada = false;
        QString error;
        if (!CrearBaseDatos(Base(), QStringLiteral("tornasolmivel"), &creada, &error))
            qFatal("No se pudo crear la base de prueba: %s", qPrintable(error));
    }
    EstablecerRutaPrograma(dir_.path());
}

CarpetaPrueba::~CarpetaPrueba() {
    EstablecerRutaPrograma(QString());
}

QString CarpetaPrueba::Escribir(const QString& nombre, const QByteArray& contenido) const {
    const QString ruta = dir_.filePath(nombre);
    QFile archivo(ruta);
    if (!archivo.open(QIODevice::WriteOnly) || archivo.write(contenido) != contenido.size())
        qFatal("No se pudo escribir %s", qPrintable(ruta));
    return ruta;
}

RegistroMensajes::RegistroMensajes() {
    anterior_ = EstablecerPresentadorMensajes([this](const QString& texto, IconoMensaje icono) {
        mensajes_.append({texto, icono});
    });
}

RegistroMensajes::~RegistroMensajes() {
    EstablecerPresentadorMensajes(anterior_);
}

QStringList RegistroMensajes::Textos() const {
    QStringList textos;
    for (const Mensaje& m : mensajes_)
        textos << m.texto;
    return textos;
}

QString ArchivoOdbcIni() {
    return qEnvironmentVariable("ODBCINI");
}

QString CarpetaProgramaConstruida() {
    return QStringLiteral(COBRANZIA_PROGRAMA_DIR);
}
