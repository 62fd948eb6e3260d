#include "platform/gui/DialogoComun.h"

#include "platform/gui/TextosVista.h"
#include "platform/proceso/ErrorEjecucion.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QWidget>

namespace {
DialogoComun::Respuesta& RespuestaFijada() {
    static DialogoComun::Respuesta respuesta;
    return respuesta;
}
} // namespace

DialogoComun::DialogoComun(QWidget* ventana)
    : QObject(ventana)
    , ventana_(ventana) {}

void DialogoComun::EstablecerRespuesta(Respuesta respuesta) {
    RespuestaFijada() = std::move(respuesta);
}

QStringList DialogoComun::FiltroQt(const QString& filtro) {
    QStringList resultado;
    const QStringList piezas = filtro.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < piezas.size(); i += 2) {
        QStringList patrones;
        for (const QString& patron : piezas.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            // "*.*" stands for every file, also those without a dot in their name.
            const QString limpio = patron.trimmed();
            patrones << (limpio == QLatin1String("*.*") ? QStringLiteral("*") : limpio);
        }
        // Qt reads the patterns from the last parenthesis: one the description
        // already shows is replaced, not repeated.
        QString descripcion = piezas.at(i).trimmed();
        const qsizetype abre = descripcion.lastIndexOf(QLatin1Char('('));
        if (descripcion.endsWith(QLatin1Char(')')) && abre > 0)
            descripcion = descripcion.left(abre).trimmed();
        resultado << QStringLiteral("%1 (%2)").arg(descripcion, patrones.join(QLatin1Char(' ')));
    }
    return resultado;
}

void DialogoComun::ShowOpen() {
    QString elegido;
    if (RespuestaFijada()) {
        elegido = RespuestaFijada()(*this);
    } else {
        QFileDialog dialogo(ventana_);
        // Qt's own dialog, in Spanish whatever the desktop's.
        dialogo.setOption(QFileDialog::DontUseNativeDialog);
        dialogo.setAcceptMode(QFileDialog::AcceptOpen);
        dialogo.setFileMode((Flags & OFNFileMustExist) ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
        dialogo.setOption(QFileDialog::ReadOnly, (Flags & OFNHideReadOnly) != 0);
        const QStringList filtros = FiltroQt(Filter);
        if (!filtros.isEmpty())
            dialogo.setNameFilters(filtros);
        // A folder that no longer exists is left out: the dialog picks its own.
        if (QFileInfo(InitDir).isDir())
            dialogo.setDirectory(InitDir);
        if (!DefaultExt.isEmpty())
            dialogo.setDefaultSuffix(DefaultExt.startsWith(QLatin1Char('.')) ? DefaultExt.mid(1)
                                                                             : DefaultExt);
        if (!FileName.isEmpty())
            dialogo.selectFile(FileName);
        if (dialogo.exec() == QDialog::Accepted && !dialogo.selectedFiles().isEmpty())
            elegido = dialogo.selectedFiles().constFirst();
    }
    if (!elegido.isEmpty()) {
        FileName = elegido;
        return;
    }
    if (CancelError)
        throw ErrorEjecucion(ErrorCancelado, TextosVista::SeEligioCancelar);
}
