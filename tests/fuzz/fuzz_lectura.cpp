// The debit file's reader and the run's chain: any bytes are read to their end
// or refused for a reason of the reader's; the lines and their ends give the
// file back, each line's text is its bytes in the file's encoding (UTF-8 when
// the whole file is valid UTF-8), and the chain is the plain MD5 chain taken
// here over those lines.
#include "platform/archivos/Ansi.h"
#include "platform/archivos/SistemaArchivos.h"
#include "run/CadenaControl.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QStringDecoder>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t largo) {
    const QByteArray archivo(reinterpret_cast<const char*>(datos), qsizetype(largo));
    static const QString ruta = QDir::temp().filePath(QStringLiteral("fuzz_lectura.txt"));
    QFile escrito(ruta);
    if (!escrito.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        escrito.write(archivo) != archivo.size())
        abort();
    escrito.close();
    CadenaEnParalelo cadena(QStringLiteral(FUZZ_MD5));
    QByteArray codigo;
    qsizetype i = 0;
    const QByteArray sinMarca = archivo.startsWith("\xEF\xBB\xBF") ? archivo.sliced(3) : archivo;
    // Every character kept: a U+FEFF after the mark is text.
    QStringDecoder deUtf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                    QStringDecoder::Flag::ConvertInitialBom);
    const bool utf8 = QString(deUtf8(sinMarca)).toUtf8() == sinMarca; // valid UTF-8, whole
    try {
        const std::unique_ptr<FlujoTexto> flujo = SistemaArchivos().OpenTextFile(ruta);
        while (!flujo->AtEndOfStream()) {
            const QString linea = flujo->ReadLine();
            const QByteArray bytes = HaciaAnsi(linea);
            if (!archivo.sliced(i).startsWith(bytes))
                abort();
            i += bytes.size();
            if (bytes.endsWith('\r') && archivo.sliced(i).startsWith('\n'))
                abort(); // the CR of a CR LF kept
            i += archivo.sliced(i).startsWith("\r\n") ? 2
                 : archivo.sliced(i).startsWith('\n') ? 1
                                                      : 0;
            const QByteArray propio = flujo->NumeroLinea() == 1 && bytes.startsWith("\xEF\xBB\xBF")
                                          ? bytes.sliced(3)
                                          : bytes;
            if ((flujo->TextoPropio() ? flujo->Texto() : linea) !=
                (utf8 ? QString(deUtf8(propio)) : DesdeAnsi(propio)))
                abort(); // not the line's text in the file's encoding
            cadena.Agregar(linea);
            codigo =
                QCryptographicHash::hash(bytes + codigo, QCryptographicHash::Md5).toHex().toUpper();
        }
        if (i != archivo.size() || cadena.Codigo() != QString::fromLatin1(codigo))
            abort();
    } catch (const ErrorEjecucion& e) {
        if (e.Numero() != ErrorFinesDeLineaCR && e.Numero() != ErrorLineaDemasiadoLarga)
            abort();
    }
    return 0;
}
