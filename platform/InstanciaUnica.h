#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;

// One running copy per user and folder. The first copy holds a lock file and
// listens on a local socket; a later copy finds the lock taken, asks the first
// to bring its window to the front, with the file it was given, and ends. A
// lock left by a killed copy is taken over.
class InstanciaUnica : public QObject {
    Q_OBJECT
public:
    // `clave` tells copies apart; ClavePrograma() gives the program's own.
    // `archivo`, when given, goes to the first copy for its window to open.
    explicit InstanciaUnica(QString clave, QString archivo = QString(), QObject* padre = nullptr);
    ~InstanciaUnica() override;

    // True when another copy is running; it has then been asked to come to the
    // front. False when this copy is the first and now answers later starts.
    bool PrevInstance();

    // The key of the copies that share a user and a folder.
    static QString ClavePrograma(const QString& carpeta);

signals:
    // A later start asked this copy to bring its window to the front, and to
    // open `archivo` when it is not empty.
    void ActivacionPedida(const QString& archivo);

private:
    bool AvisarPrimera();

    QString clave_;
    QString archivo_;
    std::unique_ptr<QLockFile> cerrojo_;
    QLocalServer* servidor_ = nullptr;
};
