#include "tests/comun/ListadoPrueba.h"

#include "dsn/CrearDSNListado.h"
#include "tests/comun/Entorno.h"

#include <QProcess>
#include <QTest>

#include <sqlite3.h>

namespace {
sqlite3* Abrir(const CarpetaPrueba& carpeta) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(carpeta.Base().toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK)
        qFatal("No se pudo abrir la base de prueba");
    return db;
}
} // namespace

void GuardarFilas(const CarpetaPrueba& carpeta, const QString& archivo, const QStringList& filas) {
    sqlite3* db = Abrir(carpeta);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO Datos (t_datos, t_archivo) VALUES (?, ?)", -1, &st,
                       nullptr);
    const QByteArray nombre = archivo.toUtf8();
    for (const QString& fila : filas) {
        const QByteArray texto = fila.toUtf8();
        sqlite3_bind_text(st, 1, texto.constData(), int(texto.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, nombre.constData(), int(nombre.size()), SQLITE_TRANSIENT);
        if (sqlite3_step(st) != SQLITE_DONE)
            qFatal("No se pudo insertar: %s", sqlite3_errmsg(db));
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

void EjecutarSql(const CarpetaPrueba& carpeta, const QString& sql) {
    sqlite3* db = Abrir(carpeta);
    char* error = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK)
        qFatal("SQL de prueba: %s", error);
    sqlite3_close(db);
}

void RegistrarOrigen() {
    QString error;
    QVERIFY2(CrearDSNListado(error), qPrintable(error));
}

QString TextoPdf(const QString& ruta) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), ruta, QStringLiteral("-")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        qFatal("pdftotext falló con %s", qPrintable(ruta));
    return QString::fromUtf8(p.readAllStandardOutput());
}

QStringList LineasPdf(const QString& ruta) {
    QStringList lineas;
    for (const QString& linea : TextoPdf(ruta).split(QLatin1Char('\n'))) {
        if (!linea.trimmed().isEmpty())
            lineas << linea.trimmed();
    }
    return lineas;
}
