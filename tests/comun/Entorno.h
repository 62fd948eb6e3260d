#pragma once

#include "platform/Mensajes.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A program folder of its own for a test: a fresh database, the md5 library and
// the shipped files, with the program pointed at it. Restores the default
// program folder when it goes.
class CarpetaPrueba {
public:
    // `conBase`: whether to make Cobranzia.mdb in it.
    explicit CarpetaPrueba(bool conBase = true);
    ~CarpetaPrueba();
    CarpetaPrueba(const CarpetaPrueba&) = delete;
    CarpetaPrueba& operator=(const CarpetaPrueba&) = delete;

    QString Ruta() const { return dir_.path(); }
    QString Archivo(const QString& nombre) const { return dir_.filePath(nombre); }
    QString Base() const { return Archivo(QStringLiteral("Cobranzia.mdb")); }

    // Copies the built program into the folder, to start it as its own process.
    void CopiarEjecutable() const;

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
    ~RegistroMensajes();
    RegistroMensajes(const RegistroMensajes&) = delete;
    RegistroMensajes& operator=(const RegistroMensajes&) = delete;

    struct Mensaje {
        QString texto;
        IconoMensaje icono;
    };
    const QList<Mensaje>& Mensajes() const { return mensajes_; }
    QStringList Textos() const;
    void Limpiar() { mensajes_.clear(); }

private:
    QList<Mensaje> mensajes_;
    PresentadorMensajes anterior_;
};

// The first column of every row a query gives, read from a database file, with
// "<null>" for a database null. `parametro`, when given, is bound to the one "?".
QStringList ConsultarBase(const QString& base, const char* consulta,
                          const QString& parametro = QString());

// The t_datos of the rows stored for one file, in the order they were stored.
QStringList FilasGuardadas(const QString& base, const QString& archivo);

// The user's ODBC settings file as the tests set it ($ODBCINI).
QString ArchivoOdbcIni();

// unixODBC keeps what it has read from its settings files until its next write
// in this process: a write elsewhere makes it read the files again.
void OlvidarCacheOdbc();

// The program folder the build lays out.
QString CarpetaProgramaConstruida();
