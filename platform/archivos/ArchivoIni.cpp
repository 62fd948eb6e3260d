#include "platform/archivos/ArchivoIni.h"

#include "platform/archivos/TextosArchivos.h"
#include "platform/proceso/CerrojoArchivo.h"
#include "platform/proceso/Descriptor.h"
#include "platform/proceso/MotivoSistema.h"
#include "platform/proceso/Rutas.h"
#include "platform/proceso/SenalesAplazadas.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString TextoLinea(const QByteArray& linea) {
    QByteArray sinCr = linea;
    if (sinCr.endsWith('\r'))
        sinCr.chop(1);
    return RutaDesdeBytes(sinCr).trimmed();
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

QString Sistema(int error = errno) {
    return MotivoSistema(error);
}

// Reads at most `maximo` bytes of an open file; false on a read error.
bool LeerHasta(int fd, qint64 maximo, QByteArray& contenido) {
    contenido.resize(maximo);
    qint64 leidos = 0;
    while (leidos < maximo) {
        const ssize_t n = ::read(fd, contenido.data() + leidos, size_t(maximo - leidos));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        leidos += n;
    }
    contenido.truncate(leidos);
    return true;
}

bool EscribirTodo(int fd, const QByteArray& bytes) {
    for (qsizetype hecho = 0; hecho < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + hecho, size_t(bytes.size() - hecho));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        hecho += n;
    }
    return true;
}

// Why the file at `local` may not be replaced, or empty; `modo` gets its mode.
QString MotivoSustitucion(const QByteArray& local, mode_t& modo) {
    struct stat info {};
    if (::lstat(local.constData(), &info) != 0) {
        if (errno != ENOENT)
            return TextosArchivos::NoSeEscribe.arg(Sistema());
        const qsizetype barra = local.lastIndexOf('/');
        const QByteArray carpeta =
            barra < 0 ? QByteArray(".") : local.left(qMax<qsizetype>(barra, 1));
        struct stat infoCarpeta {};
        if (::stat(carpeta.constData(), &infoCarpeta) != 0)
            return TextosArchivos::SinCarpeta.arg(RutaDesdeBytes(carpeta), Sistema());
        if (!S_ISDIR(infoCarpeta.st_mode))
            return TextosArchivos::SinCarpeta.arg(RutaDesdeBytes(carpeta), Sistema(ENOTDIR));
        modo = 0600;
        return QString();
    }
    if (S_ISLNK(info.st_mode))
        return TextosArchivos::Enlace;
    if (!S_ISREG(info.st_mode))
        return TextosArchivos::NoOrdinario;
    // A read-only file stays as it is, even for a user whom the system would let write it.
    if ((info.st_mode & S_IWUSR) == 0)
        return TextosArchivos::SoloLectura;
    modo = info.st_mode & 07777;
    return QString();
}

// Why the lock beside the file could not be taken: its folder is missing or
// refuses it, or what the lock itself says (another program holds it).
QString MotivoCerrojo(const CerrojoArchivo& cerrojo, const QByteArray& local) {
    const qsizetype barra = local.lastIndexOf('/');
    const QByteArray carpeta = barra < 0 ? QByteArray(".") : local.left(qMax<qsizetype>(barra, 1));
    struct stat info {};
    const bool hay = ::stat(carpeta.constData(), &info) == 0;
    if (!hay || !S_ISDIR(info.st_mode))
        return TextosArchivos::SinCarpeta.arg(RutaDesdeBytes(carpeta),
                                              Sistema(hay ? ENOTDIR : errno));
    if (::access(carpeta.constData(), W_OK) != 0)
        return TextosArchivos::NoSeEscribe.arg(Sistema());
    return cerrojo.Motivo();
}

// The bytes at `ruta` as a reading sees them: missing, unreadable, or at most
// `maximo` + 1 bytes.
struct Lectura {
    int error = 0;
    bool ordinario = true;
    QByteArray contenido;
    bool operator==(const Lectura&) const = default;
};

Lectura Leer(const QByteArray& local, qint64 maximo) {
    Lectura leida;
    // Not blocking: a pipe in the file's place must not hold the program.
    const Descriptor fd(::open(local.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd.Valido()) {
        leida.error = errno;
        return leida;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        leida.ordinario = false;
    else if (!LeerHasta(fd.get(), maximo + 1, leida.contenido))
        leida.error = errno;
    return leida;
}

} // namespace

ArchivoIni::ArchivoIni(const QString& ruta)
    : ruta_(ruta) {
    const Lectura leida = Leer(RutaABytes(ruta), LongitudMaxima);
    leido_ = leida.contenido;
    existia_ = leida.error != ENOENT;
    if (leida.error == ENOENT)
        return;
    if (leida.error != 0)
        motivo_ = TextosArchivos::NoLeido.arg(Sistema(leida.error));
    else if (!leida.ordinario)
        motivo_ = TextosArchivos::NoOrdinario;
    else if (leida.contenido.size() > LongitudMaxima)
        motivo_ = TextosArchivos::Grande.arg(LongitudMaxima);
    QByteArray contenido = leida.contenido;
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
        if (!contenido.endsWith('\n') && !lineas_.constLast().endsWith('\r'))
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
    // Paths keep their bytes, UTF-8 or not.
    QByteArray linea = RutaABytes(texto);
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

bool ArchivoIni::Guardar(QString* motivo) const {
    const QByteArray local = RutaABytes(ruta_);
    mode_t modo = 0600;
    QString porque = motivo_.isEmpty() ? MotivoSustitucion(local, modo) : motivo_;
    QByteArray contenido;
    for (const QByteArray& linea : lineas_)
        contenido += linea + '\n';
    QByteArray temporal = local + ".XXXXXX";
    Descriptor fd(porque.isEmpty() ? ::mkostemp(temporal.data(), O_CLOEXEC) : -1);
    if (porque.isEmpty() && !fd.Valido())
        porque = TextosArchivos::NoSeEscribe.arg(Sistema());
    if (fd.Valido()) {
        const bool escrito = ::fchmod(fd.get(), modo) == 0 && EscribirTodo(fd.get(), contenido) &&
                             ::fsync(fd.get()) == 0;
        const int error = errno;
        const bool cerrado = fd.Cerrar() == 0;
        // Another writer's change since the reading would be lost: the caller reads again.
        const Lectura antes{existia_ ? 0 : ENOENT, true, leido_};
        if (!cerrado || !escrito)
            porque = TextosArchivos::NoSeEscribe.arg(Sistema(escrito ? errno : error));
        else if (Leer(local, LongitudMaxima) != antes)
            porque = TextosArchivos::CambioAjeno;
        else if (::rename(temporal.constData(), local.constData()) != 0)
            porque = TextosArchivos::NoSeEscribe.arg(Sistema());
        if (!porque.isEmpty())
            ::unlink(temporal.constData());
    }
    if (motivo)
        *motivo = porque;
    return porque.isEmpty();
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

bool ActualizarArchivoIni(const QString& ruta, const std::function<bool(ArchivoIni&)>& cambio,
                          QString* motivo) {
    QString porque;
    // A signal waits for the lock, the copy and its rename or removal: it never leaves them behind.
    const SenalesAplazadas aplazadas;
    CerrojoArchivo cerrojo(ruta + QStringLiteral(".lock"));
    if (cerrojo.Tomar(ArchivoIni::EsperaCerrojo) != CerrojoArchivo::Estado::Tomado) {
        porque = MotivoCerrojo(cerrojo, RutaABytes(ruta));
    } else {
        for (int intento = 0; intento < ArchivoIni::Intentos; ++intento) {
            ArchivoIni ini(ruta);
            porque.clear();
            if (!cambio(ini) || ini.Guardar(&porque) || porque != TextosArchivos::CambioAjeno)
                break;
        }
    }
    if (motivo)
        *motivo = porque;
    return porque.isEmpty();
}

bool WritePrivateProfileString(const QString& seccion, const QString& clave, const QString& valor,
                               const QString& archivo) {
    if (TieneSaltoLinea(seccion) || TieneSaltoLinea(clave) || TieneSaltoLinea(valor))
        return false;
    return ActualizarArchivoIni(archivo, [&](ArchivoIni& ini) {
        ini.Fijar(seccion, clave, valor);
        return true;
    });
}
