#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

// One settings file in the initialization-file layout: "[section]" lines
// followed by "key=value" lines. Section and key names match without regard to
// case; every line the program does not change is written back byte for byte.
// The file is UTF-8.
class ArchivoIni {
public:
    // Reads the file, at most its first LongitudMaxima bytes; a missing or
    // unreadable file reads as empty.
    explicit ArchivoIni(const QString& ruta);

    // Why the file was not read whole: it cannot be read, it is not a regular
    // file, or it is larger than LongitudMaxima. Empty when read whole or missing.
    const QString& Motivo() const { return motivo_; }

    // A settings file is a few lines; one larger than this is not read whole,
    // and is never written back (it would lose its end).
    static constexpr qint64 LongitudMaxima = qint64(64) * 1024;

    // The value of a key, with surrounding blanks dropped and one pair of
    // matching quotes removed. False when the section or the key is missing.
    bool Valor(const QString& seccion, const QString& clave, QString& valor) const;

    // Sets a key, adding the section or the key when missing. The value is
    // quoted when blanks or quotes at its ends would otherwise be lost.
    void Fijar(const QString& seccion, const QString& clave, const QString& valor);

    // Removes the section with its keys; false when there is none.
    bool QuitarSeccion(const QString& seccion);

    // Replaces the file atomically; a new file is for its user alone (0600),
    // an existing one keeps its mode. False, with the reason in `motivo`, when
    // the file was not read whole, is a symbolic link, is read-only, or cannot
    // be written (its folder is missing or refuses it, the disk is full...).
    // Also false, with TextosArchivos::CambioAjeno, when another writer changed
    // the file since it was read: the caller reads it again and retries, up
    // to Intentos times, so that none of the other writer's lines is lost.
    bool Guardar(QString* motivo = nullptr) const;
    static constexpr int Intentos = 20;
    // How long a writer waits for the lock of the file that another holds.
    static constexpr int EsperaCerrojo = 10000;

private:
    // Index of the section's header line, or -1.
    qsizetype BuscarSeccion(const QString& seccion) const;
    // Index of the key's line inside the section that starts at `cabecera`, or -1.
    qsizetype BuscarClave(qsizetype cabecera, const QString& clave) const;
    // Index after the section's last key line.
    qsizetype FinDeSeccion(qsizetype cabecera) const;
    void Insertar(qsizetype posicion, const QString& texto);

    QString ruta_;
    QList<QByteArray> lineas_; // without their line feed; a CR stays on its line
    QByteArray finLinea_ = "\n";
    QString motivo_;
    // What was read, to tell another writer's change before replacing the file.
    QByteArray leido_;
    bool existia_ = false;
};

// Reads the file, applies `cambio` and saves it, under a lock that the kernel
// releases if this process dies ("RUTA.lock", waited for up to EsperaCerrojo
// ms); read again and changed anew when another writer changed the file
// meanwhile, so that none of its lines is lost or doubled. `cambio` returns
// false when there is nothing to save. False with the reason in `motivo`
// (which names the lock when another program holds it too long).
bool ActualizarArchivoIni(const QString& ruta, const std::function<bool(ArchivoIni&)>& cambio,
                          QString* motivo = nullptr);

// The profile functions of the platform, over ArchivoIni.

// Copies the value (or `porDefecto` when there is none) into `destino`, cut to
// tamano - 1 characters as a buffer of `tamano` characters holds it, and
// returns the number of characters copied.
int GetPrivateProfileString(const QString& seccion, const QString& clave, const QString& porDefecto,
                            QString& destino, int tamano, const QString& archivo);

// Stores the value; false when the file cannot be written or when a name or
// the value holds a line break (it would forge lines in the file).
bool WritePrivateProfileString(const QString& seccion, const QString& clave, const QString& valor,
                               const QString& archivo);
