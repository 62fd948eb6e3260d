#pragma once

#include "platform/proceso/ErrorEjecucion.h"
#include "platform/proceso/Mensajes.h"

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

// On a busy machine a condition may take long to come: every wait that names
// no deadline of its own gets a minute.
#undef QTRY_COMPARE
#define QTRY_COMPARE(expr, expected) QTRY_COMPARE_WITH_TIMEOUT(expr, expected, 60000)
#undef QTRY_VERIFY
#define QTRY_VERIFY(expr) QTRY_VERIFY_WITH_TIMEOUT(expr, 60000)

class Programa;

// Whether the tests run on the office's server (the test server that CTest
// starts) rather than on the embedded database: then the helpers below that
// take a database file read and write the server's tables instead.
inline bool EnServidor() {
    return qEnvironmentVariable("COBRANZIA_PRUEBA_MOTOR") == u"servidor";
}

// Statements on the test server as `cadena` connects, by default as the
// owner; values are bound to $1, $2... The first column of the rows that the
// last statement gives, "<null>" for a null, or the server's error.
QStringList SqlServidor(const QString& sql, const QStringList& valores = {},
                        const QString& cadena = {});

// What a finished process left: its exit status (-1 when it crashed or hung),
// its standard output and its standard error.
struct Salida {
    int estado = -1;
    QString salida;
    QString errores;
};
Salida Ejecutar(const QString& programa, const QStringList& argumentos,
                const QProcessEnvironment& entorno = QProcessEnvironment::systemEnvironment());

// A program folder of its own for a test: the md5 library, the template and,
// unless told otherwise, a fresh database.
class CarpetaPrueba {
public:
    explicit CarpetaPrueba(bool conBase = true);

    QString Ruta() const { return dir_.path(); }
    QString Archivo(const QString& nombre) const { return dir_.filePath(nombre); }
    QString Base() const { return Archivo(QStringLiteral("Cobranzia.mdb")); }

    // A program on this folder, which is its program and data folder; its
    // connection opened and its file-system object made when `abrir`. On the
    // server, its tables emptied first.
    std::unique_ptr<Programa> NuevoPrograma(bool abrir = true) const;

    // Copies the built executable into the folder, to start it as its own
    // process; returns the copy's path.
    QString CopiarEjecutable() const;
    // Runs the copy made by CopiarEjecutable, in `entorno` or, when it is
    // empty, in this process's own environment.
    Salida Correr(const QStringList& argumentos, const QProcessEnvironment& entorno = {}) const;

    // Writes a file in the folder with the given bytes; returns its path.
    QString Escribir(const QString& nombre, const QByteArray& contenido) const;

private:
    QTemporaryDir dir_;
};

// Records every message box instead of showing it; restores the previous
// presenter when it goes.
class RegistroMensajes {
public:
    RegistroMensajes();
    ~RegistroMensajes() { EstablecerPresentadorMensajes(anterior_); }
    RegistroMensajes(const RegistroMensajes&) = delete;
    RegistroMensajes& operator=(const RegistroMensajes&) = delete;

    const QStringList& Textos() const { return textos_; }
    const QList<IconoMensaje>& Iconos() const { return iconos_; }

private:
    QStringList textos_;
    QList<IconoMensaje> iconos_;
    PresentadorMensajes anterior_;
};

// A user of the system made for a test (when root), removed with it;
// Ejecutar runs `orden` as this user, with the test's environment.
class UsuarioPrueba {
public:
    UsuarioPrueba();
    ~UsuarioPrueba();
    bool Hecho() const { return uid_ >= 0; }
    int Uid() const { return uid_; }
    Salida Ejecutar(const QStringList& orden) const {
        return ::Ejecutar(QStringLiteral("runuser"), QStringList{"-u", nombre_, "--"} + orden);
    }

private:
    QString nombre_;
    int uid_ = -1;
};

// What `paso` raised; number 0 and no description when it raised nothing.
ErrorEjecucion ErrorDe(const std::function<void()>& paso);

// The first column of every row a query gives, "<null>" for a null, from a
// database file, or on the test server when the tests run there; `valores`
// are bound to $1, $2...
QStringList ConsultarBase(const QString& base, const QString& sql, const QStringList& valores = {});

// The t_datos of the rows stored for one file, in the order they were stored.
QStringList FilasGuardadas(const QString& base, const QString& archivo);

// Appends rows of one file to table Datos, in order, as an earlier run would.
void GuardarFilas(const QString& base, const QString& archivo, const QStringList& filas);

// The user's ODBC settings file as the tests set it ($ODBCINI).
inline QString ArchivoOdbcIni() {
    return qEnvironmentVariable("ODBCINI");
}

// unixODBC keeps what it has read from its settings files until its next write
// in this process: a write elsewhere makes it read the files again.
void OlvidarCacheOdbc();

// A debit file of `lineas` detail lines, each the mark, eight digits and 50
// letters x, between a header and a trailer.
QByteArray Lote(int lineas, char marca);

// Two batch runs at once, of `programas` with `argumentos` that name a
// listing, with `lineas` detail lines marked 'A' and 'B': each listing holds
// exactly its run's rows under its code or, where `reemplazo` allows, the run
// says that a later run replaced them; one listing at least stands.
void ListadosALaVez(const QString (&programas)[2], const QStringList (&argumentos)[2],
                    const int (&lineas)[2], bool reemplazo);

// The DBQ of data source "Cobranzia" in the user's settings, read afresh;
// "<ausente>" when there is no such data source.
QString DbqRegistrado();

// The lines of a PDF's text that are not blank, trimmed, as pdftotext reads them.
QStringList LineasPdf(const QString& ruta);

// The program folder the build lays out, and the folder of test data.
inline QString CarpetaProgramaConstruida() {
    return QStringLiteral(COBRANZIA_PROGRAMA_DIR);
}
inline QString DatoPrueba(const QString& nombre) {
    return QStringLiteral(COBRANZIA_DATOS_PRUEBA "/") + nombre;
}

// Runs the test functions of `prueba` as QTest::qExec does, except that an
// exception escaping a function fails that function alone: the ones after it
// still run. With arguments, QtTest runs what they ask as it always does.
int EjecutarPruebas(QObject& prueba, int argc, char** argv);

// QTEST_MAIN (Aplicacion QApplication) and QTEST_GUILESS_MAIN (QCoreApplication).
#define PRUEBAS_MAIN(Clase, Aplicacion)                                                            \
    int main(int argc, char** argv) {                                                              \
        Aplicacion aplicacion(argc, argv);                                                         \
        Aplicacion::setAttribute(Qt::AA_Use96Dpi, true);                                           \
        Clase prueba;                                                                              \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return EjecutarPruebas(prueba, argc, argv);                                                \
    }
