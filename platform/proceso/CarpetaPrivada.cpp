#include "platform/proceso/CarpetaPrivada.h"

#include "platform/proceso/ErrorEjecucion.h"
#include "platform/proceso/MotivoSistema.h"
#include "platform/proceso/Rutas.h"
#include "platform/proceso/TextosProceso.h"

#include <QByteArray>
#include <QDir>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <mutex>

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char kPrefijoProceso[] = "cobranzia-proceso-";
constexpr int kSenales[] = {SIGTERM, SIGHUP, SIGINT};
constexpr int kMaxArchivos = 4;
constexpr size_t kMaxRuta = 4096;

// What the signal handler removes: fixed buffers, written before they are
// published by the counters.
char gProceso[kMaxRuta];
std::atomic<bool> gHayProceso{false};
char gArchivos[kMaxArchivos][kMaxRuta];
std::atomic<int> gNumArchivos{0};

// Empties the open folder `fd`, subfolders `profundidad` deep, with only the
// calls a signal handler may make.
void Vaciar(int fd, int profundidad) {
    alignas(dirent64) char bloque[2048];
    for (int pasada = 0; pasada < 64; ++pasada) {
        if (::lseek(fd, 0, SEEK_SET) != 0)
            return;
        bool quedan = false;
        ssize_t n;
        while ((n = ::getdents64(fd, bloque, sizeof bloque)) > 0) {
            for (ssize_t pos = 0; pos < n;) {
                const auto* entrada = reinterpret_cast<const dirent64*>(bloque + pos);
                pos += entrada->d_reclen;
                const char* nombre = entrada->d_name;
                if (std::strcmp(nombre, ".") == 0 || std::strcmp(nombre, "..") == 0)
                    continue;
                quedan = true;
                if (::unlinkat(fd, nombre, 0) == 0 || errno != EISDIR || profundidad == 0)
                    continue;
                const int hijo =
                    ::openat(fd, nombre, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
                if (hijo < 0)
                    continue;
                Vaciar(hijo, profundidad - 1);
                ::close(hijo);
                ::unlinkat(fd, nombre, AT_REMOVEDIR);
            }
        }
        if (!quedan)
            return;
    }
}

void BorrarCarpeta(const char* ruta) {
    const int fd = ::open(ruta, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return;
    Vaciar(fd, 8);
    ::close(fd);
    ::rmdir(ruta);
}

void AlTerminar(int senal) {
    const int error = errno;
    if (gHayProceso.exchange(false))
        BorrarCarpeta(gProceso);
    const int archivos = gNumArchivos.load();
    for (int i = 0; i < archivos; ++i)
        ::unlink(gArchivos[i]);
    errno = error;
    // The handler was reset when it ran: the signal ends the process as it would have.
    ::raise(senal);
}

bool SoloDelUsuario(const struct stat& info) {
    return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

// A folder where no other user may replace what is made in it: owned by the
// user or root, and writable by no one else, or sticky.
bool PadreSeguro(const QByteArray& carpeta) {
    struct stat info {};
    return ::stat(carpeta.constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
           (info.st_uid == ::geteuid() || info.st_uid == 0) &&
           ((info.st_mode & (S_IWGRP | S_IWOTH)) == 0 || (info.st_mode & S_ISVTX) != 0);
}

QByteArray CarpetaPersonal() {
    const QByteArray home = qgetenv("HOME");
    if (home.startsWith('/'))
        return home;
    const passwd* usuario = ::getpwuid(::geteuid());
    return usuario && usuario->pw_dir[0] == '/' ? QByteArray(usuario->pw_dir) : QByteArray();
}

// The places tried after $XDG_RUNTIME_DIR, in order: only absolute parents, so
// that a missing TMPDIR or HOME never leads to the root folder.
QList<QByteArray> Candidatas() {
    QList<QByteArray> padres;
    const QByteArray tmp = qgetenv("TMPDIR");
    padres << (tmp.startsWith('/') ? tmp : QByteArrayLiteral("/tmp"));
    if (const QByteArray cache = qgetenv("XDG_CACHE_HOME"); cache.startsWith('/'))
        padres << cache;
    else if (const QByteArray home = CarpetaPersonal(); !home.isEmpty())
        padres << home + "/.cache";
    QList<QByteArray> candidatas;
    const QByteArray nombre = "/cobranzia-" + QByteArray::number(::geteuid());
    for (const QByteArray& padre : std::as_const(padres))
        candidatas << padre + nombre;
    return candidatas;
}

struct Eleccion {
    QString carpeta;
    bool delEntorno = false;
    QString motivo;
};

Eleccion Elegir() {
    Eleccion eleccion;
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    struct stat info {};
    if (runtime.startsWith('/') && ::lstat(runtime.constData(), &info) == 0 &&
        SoloDelUsuario(info)) {
        eleccion.carpeta = RutaDesdeBytes(runtime);
        eleccion.delEntorno = true;
        return eleccion;
    }
    QStringList rechazadas;
    if (!runtime.isEmpty())
        rechazadas << RutaDesdeBytes(runtime);
    const QList<QByteArray> candidatas = Candidatas();
    for (const QByteArray& candidata : candidatas) {
        const QByteArray padre = candidata.left(candidata.lastIndexOf('/'));
        // The user's cache folder may not be there yet; a temporary folder is never made.
        if (&candidata != &candidatas.front())
            ::mkdir(padre.constData(), 0700);
        if (PadreSeguro(padre) && (::mkdir(candidata.constData(), 0700) == 0 || errno == EEXIST) &&
            ::lstat(candidata.constData(), &info) == 0 && SoloDelUsuario(info)) {
            eleccion.carpeta = RutaDesdeBytes(candidata);
            return eleccion;
        }
        rechazadas << RutaDesdeBytes(candidata);
    }
    eleccion.motivo = TextosProceso::CarpetaNoSegura.arg(rechazadas.join(QStringLiteral("», «")));
    return eleccion;
}

// Removes the process's folder at a normal end.
struct CarpetaDelProceso {
    QByteArray ruta;
    ~CarpetaDelProceso() {
        if (gHayProceso.exchange(false))
            BorrarCarpeta(ruta.constData());
    }
};

bool Viva(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

// The folders of processes that have ended without removing theirs.
void BorrarRestos(const QString& carpeta) {
    const QStringList nombres =
        QDir(carpeta).entryList({QString::fromLatin1(kPrefijoProceso) + u'*'},
                                QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System);
    for (const QString& nombre : nombres) {
        bool numero = false;
        const qint64 pid = nombre.mid(qstrlen(kPrefijoProceso)).toLongLong(&numero);
        if (numero && pid > 0 && pid != ::getpid() && !Viva(pid_t(pid)))
            BorrarCarpeta(RutaABytes(carpeta + u'/' + nombre).constData());
    }
}

} // namespace

void CarpetaPrivada::Preparar() {
    const Eleccion eleccion = Elegir();
    struct sigaction accion {};
    accion.sa_handler = AlTerminar;
    accion.sa_flags = SA_RESETHAND;
    sigemptyset(&accion.sa_mask);
    for (const int senal : kSenales) {
        // A signal the caller chose to ignore stays ignored.
        struct sigaction antes {};
        if (::sigaction(senal, nullptr, &antes) == 0 && antes.sa_handler != SIG_IGN)
            ::sigaction(senal, &accion, nullptr);
    }
    if (eleccion.carpeta.isEmpty())
        return;
    BorrarRestos(eleccion.carpeta);
    try {
        DelProceso();
    } catch (const ErrorEjecucion&) {
        // Said by the action that needs it.
    }
    // Qt makes its runtime files in $XDG_RUNTIME_DIR: the checked folder, never one it would
    // choose in a temporary folder.
    if (!eleccion.delEntorno)
        qputenv("XDG_RUNTIME_DIR", RutaABytes(eleccion.carpeta));
}

QString CarpetaPrivada::DelUsuario() {
    const Eleccion eleccion = Elegir();
    if (eleccion.carpeta.isEmpty())
        throw ErrorEjecucion(Errores::PermisoDenegado,
                             TextosProceso::SinCarpetaPrivada.arg(eleccion.motivo));
    // Checked again at each use: the folder may have been changed since.
    struct stat info {};
    if (::lstat(RutaABytes(eleccion.carpeta).constData(), &info) != 0 || !SoloDelUsuario(info))
        throw ErrorEjecucion(Errores::PermisoDenegado,
                             TextosProceso::SinCarpetaPrivada.arg(
                                 TextosProceso::CarpetaNoSegura.arg(eleccion.carpeta)));
    return eleccion.carpeta;
}

QString CarpetaPrivada::DelProceso() {
    static std::mutex cerrojo;
    static CarpetaDelProceso propia;
    const std::lock_guard guarda(cerrojo);
    const QString usuario = DelUsuario();
    const QString carpeta =
        usuario + u'/' + QString::fromLatin1(kPrefijoProceso) + QString::number(::getpid());
    const QByteArray local = RutaABytes(carpeta);
    if (propia.ruta != local) {
        // The user's folder changed under this process: the earlier one goes.
        if (gHayProceso.exchange(false))
            BorrarCarpeta(propia.ruta.constData());
        if (local.size() >= qsizetype(kMaxRuta) ||
            (::mkdir(local.constData(), 0700) != 0 && errno != EEXIST))
            throw ErrorEjecucion(Errores::PermisoDenegado,
                                 TextosProceso::SinCarpetaPrivada.arg(
                                     carpeta + QStringLiteral(": ") + MotivoSistema(errno)));
        std::memcpy(gProceso, local.constData(), size_t(local.size()) + 1);
        propia.ruta = local;
        gHayProceso = true;
    }
    struct stat info {};
    if (::lstat(local.constData(), &info) != 0 || !SoloDelUsuario(info))
        throw ErrorEjecucion(
            Errores::PermisoDenegado,
            TextosProceso::SinCarpetaPrivada.arg(TextosProceso::CarpetaNoSegura.arg(carpeta)));
    return carpeta;
}

namespace {
std::mutex gCerrojoArchivos;
} // namespace

void CarpetaPrivada::BorrarAlTerminar(const QString& ruta) {
    const std::lock_guard guarda(gCerrojoArchivos);
    const QByteArray local = RutaABytes(ruta);
    const int n = gNumArchivos.load();
    int libre = 0;
    while (libre < n && gArchivos[libre][0] != '\0')
        ++libre;
    if (local.isEmpty() || libre >= kMaxArchivos || local.size() >= qsizetype(kMaxRuta))
        return;
    // The first byte last: until then the handler finds the slot empty.
    std::memcpy(gArchivos[libre] + 1, local.constData() + 1, size_t(local.size()));
    std::atomic_signal_fence(std::memory_order_seq_cst);
    gArchivos[libre][0] = local[0];
    if (libre == n)
        gNumArchivos = n + 1;
}

void CarpetaPrivada::NoBorrarAlTerminar(const QString& ruta) {
    const std::lock_guard guarda(gCerrojoArchivos);
    const QByteArray local = RutaABytes(ruta);
    for (int i = 0; i < gNumArchivos.load(); ++i)
        if (local == gArchivos[i])
            gArchivos[i][0] = '\0';
}
