#pragma once

#include <QObject>
#include <QString>

#include <memory>

class CerrojoArchivo;
class QLocalServer;

// One running copy per user and folder. The first copy holds a lock (flock)
// and listens on a local socket, both in the user's private folder
// (CarpetaPrivada); a later copy finds the lock taken, asks the first to bring
// its window to the front, with the file it was given, and ends once the first
// has read it. A lock dies with its holder; a copy's socket and lock go at its
// end only while they are its own, never a later copy's in their place. A folder, lock or socket
// that is another user's or that others may write is never trusted and never sent a path, nor is a
// peer of another user: the window then opens on its own. So does a later copy that cannot reach
// the first (its socket gone or deaf): it opens its window with its file and answers the starts
// after it.
class InstanciaUnica : public QObject {
    Q_OBJECT
public:
    // `clave` tells copies apart; ClavePrograma() gives the program's own.
    // `archivo`, when given, goes to the first copy for its window to open.
    explicit InstanciaUnica(QString clave, QString archivo = QString(), QObject* padre = nullptr);
    ~InstanciaUnica() override;

    // True when another copy is running; it has then been asked to come to the
    // front. False when this copy is the first and now answers later starts,
    // or when the channel cannot be trusted.
    bool PrevInstance();

    // The key of the copies that share a user and a folder.
    static QString ClavePrograma(const QString& carpeta);

signals:
    // A later start asked this copy to bring its window to the front, and to
    // open `archivo` when it is not empty.
    void ActivacionPedida(const QString& archivo);

private:
    bool AvisarPrimera();
    void Escuchar();

    QString clave_;
    QString archivo_;
    QString socket_;
    std::unique_ptr<CerrojoArchivo> cerrojo_;
    QLocalServer* servidor_ = nullptr;
};
