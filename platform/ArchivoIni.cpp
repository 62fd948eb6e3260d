#include "platform/ArchivoIni.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

QString TextoLinea(const QByteArray& linea) {
    QByteArray sinCr = linea;
    if (sinCr.endsWith('\r'))
        sinCr.chop(1);
    return QString::fromUtf8(sinCr).trimmed();
}

// The section name of a "[name]" line, or a null text for any other line.
QString NombreSeccion(const QString& texto) {
    if (texto.size() < 2 || !texto.startsWith(QLatin1Char('[')))
        return QString();
    const qsizetype cierre = texto.indexOf(QLatin1Char(']'));
    if (cierre < 0)
        return QString();
    return texto.mid(1, cierre - 1).trimmed();
}

bool MismoNombre(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool TieneSaltoLinea(const QString& texto) {
    return texto.contains(QLatin1Char('\n')) || texto.contains(QLatin1Char('\r'));
}

QString QuitarComillas(const QString& valor) {
    if (valor.size() >= 2) {
        const QChar primera = valor.front();
        if ((primera == QLatin1Char('"') || primera == QLatin1Char('\'')) &&
            valor.back() == primera)
            return valor.mid(1, valor.size() - 2);
    }
    return valor;
}

QString ValorParaEscribir(const QString& valor) {
    if (valor.isEmpty())
        return valor;
    const bool blancos = valor.front().isSpace() || valor.back().isSpace();
    if (blancos || QuitarComillas(valor) != valor)
        return QLatin1Char('"') + valor + QLatin1Char('"');
    return valor;
}

} // namespace

ArchivoIni::ArchivoIni(const QString& ruta)
    : ruta_(ruta) {
    QFile archivo(ruta);
    if (!QFileInfo(ruta).isFile() || !archivo.open(QIODevice::ReadOnly))
        return;
    QByteArray contenido = archivo.read(LongitudMaxima + 1);
    cortado_ = contenido.size() > LongitudMaxima;
    contenido.truncate(LongitudMaxima);
    if (contenido.isEmpty())
        return;
    lineas_ = contenido.split('\n');
    // A final line feed ends the last line; it does not open another one.
    if (contenido.endsWith('\n'))
        lineas_.removeLast();
    if (lineas_.constFirst().endsWith('\r')) {
        finLinea_ = "\r\n";
        // A last line without its terminator gets the file's own when written back.
        if (!lineas_.constLast().endsWith('\r'))
            lineas_.last().append('\r');
    }
}

qsizetype ArchivoIni::BuscarSeccion(const QString& seccion) const {
    for (qsizetype i = 0; i < lineas_.size(); ++i) {
        const QString nombre = NombreSeccion(TextoLinea(lineas_.at(i)));
        if (!nombre.isNull() && MismoNombre(nombre, seccion))
            return i;
    }
    return -1;
}

qsizetype ArchivoIni::BuscarClave(qsizetype cabecera, const QString& clave) const {
    for (qsizetype i = cabecera + 1; i < lineas_.size(); ++i) {
        const QString texto = TextoLinea(lineas_.at(i));
        if (!NombreSeccion(texto).isNull())
            break;
        const qsizetype igual = texto.indexOf(QLatin1Char('='));
        if (igual >= 0 && MismoNombre(texto.left(igual).trimmed(), clave))
            return i;
    }
    return -1;
}

qsizetype ArchivoIni::FinDeSeccion(qsizetype cabecera) const {
    qsizetype fin = cabecera + 1;
    for (qsizetype i = cabecera + 1; i < lineas_.size(); ++i) {
        const QString texto = TextoLinea(lineas_.at(i));
        if (!NombreSeccion(texto).isNull())
            break;
        if (!texto.isEmpty())
            fin = i + 1;
    }
    return fin;
}

bool ArchivoIni::Valor(const QString& seccion, const QString& clave, QString& valor) const {
    const qsizetype cabecera = BuscarSeccion(seccion);
    if (cabecera < 0)
        return false;
    const qsizetype linea = BuscarClave(cabecera, clave);
    if (linea < 0)
        return false;
    const QString texto = TextoLinea(lineas_.at(linea));
    valor = QuitarComillas(texto.mid(texto.indexOf(QLatin1Char('=')) + 1).trimmed());
    return true;
}

void ArchivoIni::Insertar(qsizetype posicion, const QString& texto) {
    QByteArray linea = texto.toUtf8();
    if (finLinea_ == "\r\n")
        linea.append('\r');
    lineas_.insert(posicion, linea);
}

void ArchivoIni::Fijar(const QString& seccion, const QString& clave, const QString& valor) {
    const QString lineaClave = clave + QLatin1Char('=') + ValorParaEscribir(valor);
    qsizetype cabecera = BuscarSeccion(seccion);
    if (cabecera < 0) {
        Insertar(lineas_.size(), QLatin1Char('[') + seccion + QLatin1Char(']'));
        Insertar(lineas_.size(), lineaClave);
        return;
    }
    const qsizetype linea = BuscarClave(cabecera, clave);
    if (linea >= 0) {
        // The key keeps the spelling it has in the file.
        const QString texto = TextoLinea(lineas_.at(linea));
        const QString nombre = texto.left(texto.indexOf(QLatin1Char('='))).trimmed();
        lineas_.removeAt(linea);
        Insertar(linea, nombre + QLatin1Char('=') + ValorParaEscribir(valor));
        return;
    }
    Insertar(FinDeSeccion(cabecera), lineaClave);
}

bool ArchivoIni::QuitarSeccion(const QString& seccion) {
    const qsizetype cabecera = BuscarSeccion(seccion);
    if (cabecera < 0)
        return false;
    qsizetype fin = cabecera + 1;
    while (fin < lineas_.size() && NombreSeccion(TextoLinea(lineas_.at(fin))).isNull())
        ++fin;
    lineas_.remove(cabecera, fin - cabecera);
    return true;
}

bool ArchivoIni::Guardar() const {
    if (cortado_)
        return false;
    const QFileInfo info(ruta_);
    // A read-only file stays as it is, even for a user whom the system would let write it.
    if (info.exists() && (!info.isFile() || !(info.permissions() & QFileDevice::WriteOwner)))
        return false;
    QSaveFile archivo(ruta_);
    if (!archivo.open(QIODevice::WriteOnly))
        return false;
    for (const QByteArray& linea : lineas_) {
        if (archivo.write(linea) != linea.size() || archivo.write("\n", 1) != 1) {
            archivo.cancelWriting();
            return false;
        }
    }
    return archivo.commit();
}

int GetPrivateProfileString(const QString& seccion, const QString& clave, const QString& porDefecto,
                            QString& destino, int tamano, const QString& archivo) {
    destino.clear();
    if (tamano <= 0)
        return 0;
    QString valor;
    if (!ArchivoIni(archivo).Valor(seccion, clave, valor))
        valor = porDefecto;
    qsizetype copiados = qMin<qsizetype>(valor.size(), tamano - 1);
    // Never leave half of a character that takes two UTF-16 units.
    if (copiados > 0 && copiados < valor.size() && valor.at(copiados - 1).isHighSurrogate())
        --copiados;
    destino = valor.left(copiados);
    return static_cast<int>(copiados);
}

bool WritePrivateProfileString(const QString& seccion, const QString& clave, const QString& valor,
                               const QString& archivo) {
    if (TieneSaltoLinea(seccion) || TieneSaltoLinea(clave) || TieneSaltoLinea(valor))
        return false;
    ArchivoIni ini(archivo);
    ini.Fijar(seccion, clave, valor);
    return ini.Guardar();
}
