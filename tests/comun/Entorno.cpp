#include "tests/comun/Entorno.h"

#include "platform/BaseDatos.h"
#include "platform/Programa.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <odbcinst.h>
#include <sqlite3.h>

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

void CarpetaPrueba::CopiarEjecutable() const {
    const QString destino = Archivo(QStringLiteral("cobranzia"));
    if (!QFile::copy(CarpetaProgramaConstruida() + QStringLiteral("/cobranzia"), destino) ||
        !QFile::setPermissions(destino, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        qFatal("No se pudo copiar el programa a %s", qPrintable(destino));
}

QStringList ConsultarBase(const QString& base, const char* consulta, const QString& parametro) {
    sqlite3* db = nullptr;
    // Read-write, so that a journal left by a killed run is rolled back first.
    sqlite3_open_v2(QFile::encodeName(base).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, consulta, -1, &st, nullptr) != SQLITE_OK)
        qFatal("Consulta de prueba inválida: %s", sqlite3_errmsg(db));
    const QByteArray valor = parametro.toUtf8();
    if (!parametro.isNull())
        sqlite3_bind_text(st, 1, valor.constData(), int(valor.size()), SQLITE_TRANSIENT);
    QStringList filas;
    while (sqlite3_step(st) == SQLITE_ROW) {
        if (sqlite3_column_type(st, 0) == SQLITE_NULL)
            filas << QStringLiteral("<null>");
        else
            filas << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)),
                                       sqlite3_column_bytes(st, 0));
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return filas;
}

QStringList FilasGuardadas(const QString& base, const QString& archivo) {
    return ConsultarBase(base, "SELECT t_datos FROM Datos WHERE t_archivo = ? ORDER BY rowid",
                         archivo);
}

void OlvidarCacheOdbc() {
    const QByteArray otro = QFile::encodeName(ArchivoOdbcIni() + QStringLiteral(".cache"));
    SQLWritePrivateProfileString("Cache", nullptr, nullptr, otro.constData());
}
