#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;

// One running copy per user and folder. The first copy holds a lock file and
// listens on a local socket, both in the user's own folder ($XDG_RUNTIME_DIR,
// or one made for the user alone, 0700, in the temporary folder); a later copy
// finds the lock taken, asks the first to bring its window to the front, with
// the file it was given, and ends. A lock left by a killed copy is taken over.
// A folder, lock or socket that is another user's or that others may write is
// never trusted and never sent a path: the window then opens on its own.
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
    std::unique_ptr<QLockFile> cerrojo_;
    QLocalServer* servidor_ = nullptr;
};
