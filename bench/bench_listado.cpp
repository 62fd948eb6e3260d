// Figures of the listing: time to the first page on screen after PrintReport,
// the jump to the last page, the process's memory, and PDF pages a second.
// Runs in a temporary program folder with its own ODBC settings file.
#include "dsn/CrearDSNListado.h"
#include "platform/base/BaseDatos.h"
#include "platform/gui/ControlReporteVentana.h"
#include "platform/gui/LienzoPaginas.h"
#include "platform/gui/VistaPrevia.h"
#include "platform/reporte/Reporte.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QTextStream>

#include <sqlite3.h>

#include <cstdio>

namespace {

long MemoriaKb(const char* clave) {
    QFile estado(QStringLiteral("/proc/self/status"));
    if (!estado.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& linea : estado.readAll().split('\n'))
        if (linea.startsWith(clave))
            return linea.mid(qstrlen(clave)).trimmed().split(' ').first().toLong();
    return -1;
}

void Guardar(const QString& base, const QString& archivo, int filas, bool intercalar) {
    sqlite3* db = nullptr;
    sqlite3_open(base.toUtf8().constData(), &db);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO Datos (t_datos, t_archivo) VALUES (?, ?)", -1, &st,
                       nullptr);
    const QByteArray nombre = archivo.toUtf8();
    for (int i = 0; i < filas; ++i) {
        const QByteArray texto =
            QStringLiteral("0682%1 000B12345678 CLIENTE %1 CALLE MAYOR 12 MADRID     %2 EUR")
                .arg(i, 9, 10, QLatin1Char('0'))
                .arg(i % 100000, 10, 10, QLatin1Char('0'))
                .toUtf8();
        sqlite3_bind_text(st, 1, texto.constData(), int(texto.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, nombre.constData(), int(nombre.size()), SQLITE_TRANSIENT);
        sqlite3_step(st);
        sqlite3_reset(st);
        if (intercalar) {
            sqlite3_bind_text(st, 2, "otro", 4, SQLITE_STATIC);
            sqlite3_step(st);
            sqlite3_reset(st);
        }
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

void Preparar(ControlReporte& rpt, const QString& carpeta, const QString& archivo) {
    rpt.SetConnect(QStringLiteral("DSN=Cobranzia"));
    rpt.SetReportFileName(carpeta + QStringLiteral("/Cobranzia.rpt"));
    rpt.SetFormulas(0, QStringLiteral("Archivo = '%1'").arg(archivo));
    rpt.SetFormulas(1, QStringLiteral("Hash = '0123456789ABCDEF0123456789ABCDEF'"));
    rpt.SetDestination(0);
    rpt.SetSelectionFormula(QStringLiteral("{dao.t_archivo} = '%1'").arg(archivo));
    rpt.SetWindowTitle(QStringLiteral("Listado de Cobranzia"));
    rpt.SetWindowState(2);
}

// PrintReport, then the first page painted; returns the preview.
VistaPrevia* PrimeraPagina(ControlReporteVentana& rpt, const QString& carpeta,
                           const QString& archivo, const char* caso) {
    Preparar(rpt, carpeta, archivo);
    QElapsedTimer reloj;
    reloj.start();
    if (rpt.PrintReport() == 0) {
        std::printf("%s: error %d %s\n", caso, rpt.LastErrorNumber(),
                    qPrintable(rpt.LastErrorString()));
        return nullptr;
    }
    VistaPrevia* vista = rpt.Vistas().last();
    QApplication::processEvents();
    vista->Lienzo()->viewport()->grab();
    std::printf("%s: primera página en pantalla %.0f ms (%lld páginas)\n", caso,
                double(reloj.nsecsElapsed()) / 1e6, vista->Listado().TotalPaginas());
    return vista;
}

void UltimaPagina(VistaPrevia* vista, const char* caso) {
    QElapsedTimer reloj;
    reloj.start();
    vista->Lienzo()->IrAPagina(vista->Listado().TotalPaginas() - 1);
    vista->Lienzo()->viewport()->grab();
    std::printf("%s: salto a la última página %.0f ms\n", caso, double(reloj.nsecsElapsed()) / 1e6);
}

void Pdf(Reporte& reporte, const QString& ruta, qint64 paginas, const char* caso) {
    QFile archivo(ruta);
    archivo.open(QIODevice::WriteOnly);
    QPdfWriter pdf(&archivo);
    const qint64 mitad = paginas / 2;
    QElapsedTimer reloj;
    reloj.start();
    reporte.Volcar(pdf, 0, mitad - 1);
    const long rssMitad = MemoriaKb("VmRSS:");
    reporte.Volcar(pdf, mitad, paginas - 1);
    const double s = double(reloj.nsecsElapsed()) / 1e9;
    std::printf("%s: PDF de %lld páginas en %.2f s = %.0f páginas/s; RSS a mitad %ld MB, al final "
                "%ld MB\n",
                caso, paginas, s, double(paginas) / s, rssMitad / 1024, MemoriaKb("VmRSS:") / 1024);
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir carpeta;
    qputenv("ODBCINI", carpeta.filePath(QStringLiteral("odbc.ini")).toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QFile::copy(QStringLiteral(COBRANZIA_PROGRAMA_DIR "/Cobranzia.rpt"),
                carpeta.filePath(QStringLiteral("Cobranzia.rpt")));
    const QString base = carpeta.filePath(QStringLiteral("Cobranzia.mdb"));
    bool creada = false;
    QString error;
    if (!CrearBaseDatos(base, QStringLiteral("tornasolmivel"), &creada, &error)) {
        std::printf("base: %s\n", qPrintable(error));
        return 1;
    }
    if (!CrearDSNListado(carpeta.path(), error)) {
        std::printf("DSN: %s\n", qPrintable(error));
        return 1;
    }

    Guardar(base, QStringLiteral("DIEZMIL.txt"), 10000, false);
    Guardar(base, QStringLiteral("MILLON.txt"), 1000000, false);
    Guardar(base, QStringLiteral("HUECOS.txt"), 1000000, true);
    std::printf("RSS tras llenar la base: %ld MB\n", MemoriaKb("VmRSS:") / 1024);

    QWidget ventana;
    ControlReporteVentana rpt(&ventana);
    VistaPrevia* diezMil =
        PrimeraPagina(rpt, carpeta.path(), QStringLiteral("DIEZMIL.txt"), "10.000 filas");
    VistaPrevia* millon =
        PrimeraPagina(rpt, carpeta.path(), QStringLiteral("MILLON.txt"), "1.000.000 filas");
    if (!diezMil || !millon)
        return 1;
    UltimaPagina(millon, "1.000.000 filas");
    std::printf("1.000.000 filas: RSS %ld MB, máximo %ld MB\n", MemoriaKb("VmRSS:") / 1024,
                MemoriaKb("VmHWM:") / 1024);
    VistaPrevia* huecos = PrimeraPagina(rpt, carpeta.path(), QStringLiteral("HUECOS.txt"),
                                        "1.000.000 filas con huecos de rowid");
    if (huecos)
        UltimaPagina(huecos, "1.000.000 filas con huecos de rowid");

    Pdf(diezMil->Listado(), carpeta.filePath(QStringLiteral("diezmil.pdf")),
        diezMil->Listado().TotalPaginas(), "10.000 filas");
    Pdf(millon->Listado(), carpeta.filePath(QStringLiteral("millon.pdf")), 4000,
        "1.000.000 filas (4.000 páginas)");
    std::printf("Máximo RSS del proceso: %ld MB\n", MemoriaKb("VmHWM:") / 1024);
    return 0;
}
