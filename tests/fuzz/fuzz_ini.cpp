// The settings reader and writer: the input's first line is a value, the rest
// a settings file. The value is stored and read back as it was, and every
// other line of the file stays as it was, byte for byte, in its place.
#include "platform/proceso/Rutas.h"
#include "util/Ini.h"

#include <QDir>
#include <QFile>

static QByteArray Leer(const QString& ruta) {
    QFile archivo(ruta);
    return archivo.open(QIODevice::ReadOnly) ? archivo.readAll() : QByteArray("ilegible");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t largo) {
    const QByteArray entrada(reinterpret_cast<const char*>(datos), qsizetype(largo));
    const qsizetype salto = entrada.indexOf('\n');
    if (salto < 0 || salto > 200)
        return 0;
    const QString valor = RutaDesdeBytes(entrada.first(salto)); // as the program holds a path
    QByteArray antes = entrada.sliced(salto + 1);
    static const QString ruta = QDir::temp().filePath(QStringLiteral("fuzz.ini"));
    QFile archivo(ruta);
    if (!archivo.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        archivo.write(antes) != antes.size())
        abort();
    archivo.close();
    const bool guardado = EscribirIni(ruta, QStringLiteral("fuzz"), QStringLiteral("clave"), valor);
    if (valor.contains(u'\r')) { // a line break is refused and the file left alone
        if (guardado || Leer(ruta) != antes)
            abort();
        return 0;
    }
    if (!guardado ||
        LeerIni(ruta, QStringLiteral("fuzz"), QStringLiteral("clave"), QStringLiteral("?")) !=
            (valor.isEmpty() ? QStringLiteral("?") : valor))
        abort();
    if (!antes.isEmpty() && !antes.endsWith('\n')) // a last line gets the file's own line end
        antes +=
            antes.split('\n').constFirst().endsWith('\r') && !antes.endsWith('\r') ? "\r\n" : "\n";
    QList<QByteArray> viejas = antes.split('\n');
    QList<QByteArray> nuevas = Leer(ruta).split('\n');
    while (!viejas.isEmpty() && !nuevas.isEmpty() && viejas.first() == nuevas.first())
        viejas.removeFirst(), nuevas.removeFirst();
    while (!viejas.isEmpty() && !nuevas.isEmpty() && viejas.last() == nuevas.last())
        viejas.removeLast(), nuevas.removeLast();
    if (viejas.size() > 1 ||
        nuevas.size() > 2) // the key's line replaced, or it and its section added
        abort();
    return 0;
}
