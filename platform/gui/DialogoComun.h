#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QWidget;

// The common open-file dialog, with the properties its callers set. ShowOpen is
// modal; afterwards FileName holds the chosen path, or is left as it was when
// the operator cancels.
class DialogoComun : public QObject {
    Q_OBJECT
public:
    explicit DialogoComun(QWidget* ventana);

    int Flags = 0;
    // "description|pattern|description|pattern...", patterns separated by ";".
    QString Filter;
    QString InitDir;
    QString DefaultExt;
    QString FileName;
    bool CancelError = false;

    // Raises error 32755 on cancel when CancelError is true.
    void ShowOpen();

    // The filter in Qt's form: "description (pattern pattern)" entries.
    static QStringList FiltroQt(const QString& filtro);

    // Tests answer the dialog instead of a person: the hook receives the dialog
    // as set and returns the chosen path, or an empty text to cancel.
    using Respuesta = std::function<QString(const DialogoComun& dialogo)>;
    static void EstablecerRespuesta(Respuesta respuesta);

    static constexpr int OFNFileMustExist = 0x1000;
    static constexpr int OFNPathMustExist = 0x800;
    static constexpr int OFNHideReadOnly = 0x4;
    static constexpr int OFNExplorer = 0x80000;
    static constexpr int ErrorCancelado = 32755;

private:
    QWidget* ventana_;
};
