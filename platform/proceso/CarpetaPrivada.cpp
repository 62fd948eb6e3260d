#include "platform/proceso/CarpetaPrivada.h"

#include "platform/proceso/Descriptor.h"
#include "platform/proceso/ErrorEjecucion.h"
#include "platform/proceso/MotivoSistema.h"
#include "platform/proceso/Rutas.h"
#include "platform/proceso/SenalesAplazadas.h"
#include "platform/proceso/TextosProceso.h"

#include <QByteArray>
#include <QFileInfo>
#include <QThread>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char kPrefijoProceso[] = "cobranzia-proceso-";
// Held by the process for its lifetime: a folder whose lock can be taken is a leftover.
constexpr char kCerrojo[] = "cerrojo";
// Where a file of the user's folder goes to be looked at before it is removed.
constexpr char kSaliente[] = "saliente";
constexpr int kSenales[] = {SIGTERM, SIGHUP, SIGINT};
constexpr int kMaxArchivos = 4;
constexpr int kMaxTemporales = 4;
constexpr size_t kMaxRuta = PATH_MAX;
constexpr int kIntentos = 100;
constexpr int kPausa = 20;

// What the signal handler removes: fixed fields, written before they are
// published by the atomics.
std::atomic<int> gUsuario{-1};
std::atomic<int> gProceso{-1};
char gNombreProceso[64];
std::atomic<bool> gHayProceso{false};
struct Propio {
    std::atomic<bool> activo{false};
    int carpeta = -1;
    char nombre[NAME_MAX + 1] = {};
    dev_t dev = 0;
    ino_t ino = 0;
};
Propio gPropios[kMaxArchivos];
// Temporary files beside a file being replaced, by path; an empty slot starts with NUL.
char gTemporales[kMaxTemporales][kMaxRuta];
std::atomic<int> gNumTemporales{0};
std::mutex gCerrojoArchivos;

bool MismoArchivo(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Empties the open folder `fd`, subfolders `profundidad` deep, with only the
// calls a signal handler may make; a link is removed, never followed.
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

// Removes `p` while it is still the file this process made. It is first moved
// into the process's folder and looked at there: a file that another process
// put in its place in the meantime goes back, unless a newer one is there.
void QuitarPropio(const Propio& p) {
    struct stat info {};
    const int proceso = gProceso.load();
    if (::fstatat(p.carpeta, p.nombre, &info, AT_SYMLINK_NOFOLLOW) != 0 || info.st_dev != p.dev ||
        info.st_ino != p.ino || proceso < 0 ||
        ::renameat(p.carpeta, p.nombre, proceso, kSaliente) != 0)
        return;
    if (::fstatat(proceso, kSaliente, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
        (info.st_dev != p.dev || info.st_ino != p.ino))
        ::renameat2(proceso, kSaliente, p.carpeta, p.nombre, RENAME_NOREPLACE);
    ::unlinkat(proceso, kSaliente, 0);
}

// The files, then the process's folder; only calls a signal handler may make.
void BorrarPropios() {
    for (int i = 0; i < gNumTemporales.load(); ++i)
        if (gTemporales[i][0] != '\0')
            ::unlink(gTemporales[i]);
    for (Propio& p : gPropios)
        if (p.activo.exchange(false))
            QuitarPropio(p);
    if (gHayProceso.exchange(false)) {
        Vaciar(gProceso.load(), 8);
        ::unlinkat(gUsuario.load(), gNombreProceso, AT_REMOVEDIR);
    }
}

void AlTerminar(int senal) {
    const int error = errno;
    if (SenalesAplazadas::Aplazar(senal)) {
        errno = error;
        return;
    }
    BorrarPropios();
    // The signal ends the process as it would have.
    struct sigaction defecto {};
    defecto.sa_handler = SIG_DFL;
    ::sigaction(senal, &defecto, nullptr);
    errno = error;
    // raise fails only for a signal number that does not exist, and this one just came.
    static_cast<void>(::raise(senal));
}

// A folder where no other user may replace what is made in it: owned by the
// user or root, and writable by no one else, or sticky.
bool Seguro(const Descriptor& fd) {
    struct stat info {};
    return fd.Valido() && ::fstat(fd.get(), &info) == 0 && S_ISDIR(info.st_mode) &&
           (info.st_uid == ::geteuid() || info.st_uid == 0) &&
           ((info.st_mode & (S_IWGRP | S_IWOTH)) == 0 || (info.st_mode & S_ISVTX) != 0);
}

bool SoloDelUsuario(int fd) {
    struct stat info {};
    return fd >= 0 && ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

// `ruta` with the links of its parent resolved and its last name kept: a link
// there is refused when opened, not followed. Empty when it cannot be.
QByteArray Resuelta(QByteArray ruta) {
    while (ruta.size() > 1 && ruta.endsWith('/'))
        ruta.chop(1);
    const qsizetype barra = ruta.lastIndexOf('/');
    const QByteArray nombre = ruta.mid(barra + 1);
    if (barra < 0 || nombre.isEmpty() || nombre == "." || nombre == "..")
        return QByteArray();
    const std::unique_ptr<char, decltype(&std::free)> padre(
        ::realpath(barra == 0 ? "/" : ruta.left(barra).constData(), nullptr), &std::free);
    if (!padre)
        return QByteArray();
    return (std::strcmp(padre.get(), "/") == 0 ? QByteArray() : QByteArray(padre.get())) + '/' +
           nombre;
}

// The folder at `ruta` (absolute, without links), opened from the root one
// name at a time, never through a link, every folder on the way Seguro; the
// last is made 0700 first when `crear`. Invalid when any of it fails.
Descriptor AbrirCamino(const QByteArray& ruta, bool crear) {
    if (!ruta.startsWith('/') || ruta.size() < 2)
        return Descriptor();
    Descriptor fd(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
    const QList<QByteArray> nombres = ruta.mid(1).split('/');
    for (qsizetype i = 0; i < nombres.size(); ++i) {
        const bool ultimo = i == nombres.size() - 1;
        if (!Seguro(fd))
            return Descriptor();
        if (crear && ultimo)
            ::mkdirat(fd.get(), nombres[i].constData(), 0700);
        // A folder on the way may be one the user cannot list: opened only as a step.
        fd = Descriptor(
            ::openat(fd.get(), nombres[i].constData(),
                     (ultimo ? O_RDONLY : O_PATH) | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    }
    return Seguro(fd) ? std::move(fd) : Descriptor();
}

QByteArray CarpetaPersonal() {
    QByteArray home = qgetenv("HOME");
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
    Descriptor fd;
    bool delEntorno = false;
    QString motivo;
};

Eleccion Elegir() {
    Eleccion eleccion;
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (runtime.startsWith('/')) {
        const QByteArray ruta = Resuelta(runtime);
        eleccion.fd = AbrirCamino(ruta, false);
        if (SoloDelUsuario(eleccion.fd.get())) {
            eleccion.carpeta = RutaDesdeBytes(ruta);
            eleccion.delEntorno = true;
            return eleccion;
        }
    }
    QStringList rechazadas;
    if (!runtime.isEmpty())
        rechazadas << RutaDesdeBytes(runtime);
    const QList<QByteArray> candidatas = Candidatas();
    for (const QByteArray& candidata : candidatas) {
        // The user's cache folder may not be there yet; a temporary folder is never made.
        if (&candidata != &candidatas.front())
            ::mkdir(candidata.left(candidata.lastIndexOf('/')).constData(), 0700);
        const QByteArray ruta = Resuelta(candidata);
        eleccion.fd = AbrirCamino(ruta, true);
        if (SoloDelUsuario(eleccion.fd.get())) {
            eleccion.carpeta = RutaDesdeBytes(ruta);
            return eleccion;
        }
        rechazadas << RutaDesdeBytes(candidata);
    }
    eleccion.fd = Descriptor();
    eleccion.motivo = TextosProceso::CarpetaNoSegura.arg(rechazadas.join(QStringLiteral("», «")));
    return eleccion;
}

Eleccion ElegirOFallar() {
    Eleccion eleccion = Elegir();
    if (eleccion.carpeta.isEmpty())
        throw ErrorEjecucion(Errores::PermisoDenegado,
                             TextosProceso::SinCarpetaPrivada.arg(eleccion.motivo));
    return eleccion;
}

struct Tomada {
    Descriptor carpeta, cerrojo;
};

// Takes the lock of the folder `nombre` of `usuario`, made first when `crear`,
// and checks that the folder and its lock are still the ones at their names
// once it is held. Empty when a live process holds it, or it is not the
// user's (nor the user's alone, for this process's own).
Tomada TomarCarpeta(int usuario, const char* nombre, bool crear) {
    Tomada t;
    if (crear)
        ::mkdirat(usuario, nombre, 0700);
    t.carpeta =
        Descriptor(::openat(usuario, nombre, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat carpeta {};
    // A leftover only needs to be the user's: the folder around it is closed to others.
    if (::fstat(t.carpeta.get(), &carpeta) != 0 || carpeta.st_uid != ::geteuid() ||
        (crear && !SoloDelUsuario(t.carpeta.get())))
        return Tomada();
    t.cerrojo = Descriptor(
        ::openat(t.carpeta.get(), kCerrojo, O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
    struct stat enNombre {};
    struct stat cerrojo {};
    struct stat enCarpeta {};
    if (!t.cerrojo.Valido() || ::flock(t.cerrojo.get(), LOCK_EX | LOCK_NB) != 0 ||
        ::fstatat(usuario, nombre, &enNombre, AT_SYMLINK_NOFOLLOW) != 0 ||
        !MismoArchivo(carpeta, enNombre) || ::fstat(t.cerrojo.get(), &cerrojo) != 0 ||
        ::fstatat(t.carpeta.get(), kCerrojo, &enCarpeta, AT_SYMLINK_NOFOLLOW) != 0 ||
        !MismoArchivo(cerrojo, enCarpeta))
        return Tomada();
    return t;
}

// Removes the folders of processes that ended without removing theirs: those
// whose lock no process holds, whatever their names say.
void BorrarRestos(int usuario) {
    const auto cerrar = [](DIR* d) {
        ::closedir(d);
    };
    const std::unique_ptr<DIR, decltype(cerrar)> lista(
        ::fdopendir(::fcntl(usuario, F_DUPFD_CLOEXEC, 0)), cerrar);
    if (!lista)
        return;
    const QByteArray propio(gNombreProceso);
    while (const dirent* entrada = ::readdir(lista.get())) {
        if (std::strncmp(entrada->d_name, kPrefijoProceso, sizeof kPrefijoProceso - 1) != 0 ||
            propio == entrada->d_name)
            continue;
        const Tomada resto = TomarCarpeta(usuario, entrada->d_name, false);
        if (!resto.cerrojo.Valido())
            continue;
        Vaciar(resto.carpeta.get(), 8);
        ::unlinkat(usuario, entrada->d_name, AT_REMOVEDIR);
    }
}

// This process's folder, its user folder and its lock, all open while it lives.
struct CarpetaDelProceso {
    Descriptor usuario, carpeta, cerrojo;
    QString ruta;
    ~CarpetaDelProceso() { BorrarPropios(); }
};

CarpetaDelProceso& Propia() {
    static CarpetaDelProceso propia;
    return propia;
}

// The slot of the user folder's file named `nombre`, or null.
Propio* Registro(int carpeta, const QByteArray& nombre) {
    for (Propio& p : gPropios)
        if (p.activo && p.carpeta == carpeta && nombre == p.nombre)
            return &p;
    return nullptr;
}

std::mutex gCerrojoPropios;

// Records the file `ruta` of the user's folder as this process's: the one
// that is now at the name of `actual`, in this process's folder when
// `enProceso`. Its slot, or null.
Propio* Registrar(const QString& ruta, const QString& actual, bool enProceso) {
    try {
        // The file is in the user's folder where this process's folder is.
        CarpetaPrivada::DelProceso();
    } catch (const ErrorEjecucion&) {
        return nullptr;
    }
    const std::lock_guard guarda(gCerrojoPropios);
    const QByteArray nombre = RutaABytes(QFileInfo(ruta).fileName());
    struct stat info {};
    if (nombre.size() > NAME_MAX || ::fstatat(enProceso ? gProceso.load() : gUsuario.load(),
                                              RutaABytes(QFileInfo(actual).fileName()).constData(),
                                              &info, AT_SYMLINK_NOFOLLOW) != 0)
        return nullptr;
    for (Propio& p : gPropios) {
        if (p.activo)
            continue;
        p.carpeta = gUsuario.load();
        std::memcpy(p.nombre, nombre.constData(), size_t(nombre.size()) + 1);
        p.dev = info.st_dev;
        p.ino = info.st_ino;
        p.activo = true;
        return &p;
    }
    return nullptr;
}

} // namespace

void CarpetaPrivada::Preparar() {
    Eleccion eleccion = Elegir();
    struct sigaction accion {};
    accion.sa_handler = AlTerminar;
    sigemptyset(&accion.sa_mask);
    for (const int senal : kSenales) {
        // A signal the caller chose to ignore stays ignored.
        struct sigaction antes {};
        if (::sigaction(senal, nullptr, &antes) == 0 && antes.sa_handler != SIG_IGN)
            ::sigaction(senal, &accion, nullptr);
    }
    if (eleccion.carpeta.isEmpty())
        return;
    try {
        DelProceso();
    } catch (const ErrorEjecucion&) {
        // Said by the action that needs it.
    }
    BorrarRestos(eleccion.fd.get());
    // Qt makes its runtime files in $XDG_RUNTIME_DIR: the checked folder, never one it would
    // choose in a temporary folder.
    if (!eleccion.delEntorno)
        qputenv("XDG_RUNTIME_DIR", RutaABytes(eleccion.carpeta));
}

QString CarpetaPrivada::DelUsuario() {
    return ElegirOFallar().carpeta;
}

QString CarpetaPrivada::DelProceso() {
    static std::mutex cerrojo;
    const std::lock_guard guarda(cerrojo);
    Eleccion eleccion = ElegirOFallar();
    CarpetaDelProceso& propia = Propia();
    struct stat ahora {
    }, antes{};
    if (propia.carpeta.Valido() && ::fstat(eleccion.fd.get(), &ahora) == 0 &&
        ::fstat(propia.usuario.get(), &antes) == 0 && MismoArchivo(ahora, antes))
        return propia.ruta;
    // The user's folder changed under this process: the earlier one goes.
    BorrarPropios();
    // The prefix and a pid always fit.
    static_cast<void>(std::snprintf(gNombreProceso, sizeof gNombreProceso, "%s%lld",
                                    kPrefijoProceso, static_cast<long long>(::getpid())));
    QString ruta = eleccion.carpeta + u'/' + QString::fromLatin1(gNombreProceso);
    Tomada tomada;
    // A start that took it for a leftover may be removing it: it is made anew.
    for (int intento = 0; intento < kIntentos && !tomada.cerrojo.Valido(); ++intento) {
        if (intento > 0)
            QThread::msleep(kPausa);
        tomada = TomarCarpeta(eleccion.fd.get(), gNombreProceso, true);
    }
    if (!tomada.cerrojo.Valido())
        throw ErrorEjecucion(
            Errores::PermisoDenegado,
            TextosProceso::SinCarpetaPrivada.arg(TextosProceso::CarpetaNoSegura.arg(ruta)));
    propia.usuario = std::move(eleccion.fd);
    propia.carpeta = std::move(tomada.carpeta);
    propia.cerrojo = std::move(tomada.cerrojo);
    propia.ruta = ruta;
    gUsuario = propia.usuario.get();
    gProceso = propia.carpeta.get();
    gHayProceso = true;
    return ruta;
}

QString CarpetaPrivada::Enlace(const QString& nombre, const QString& destino) {
    const QString carpeta = DelProceso();
    const QByteArray local = RutaABytes(nombre);
    struct stat info {};
    if (::symlinkat(RutaABytes(destino).constData(), gProceso.load(), local.constData()) != 0 &&
        (errno != EEXIST ||
         ::fstatat(gProceso.load(), local.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0 ||
         !S_ISLNK(info.st_mode)))
        throw ErrorEjecucion(Errores::PermisoDenegado,
                             TextosProceso::SinCarpetaPrivada.arg(carpeta + QStringLiteral(": ") +
                                                                  MotivoSistema(errno)));
    return carpeta + u'/' + nombre;
}

void CarpetaPrivada::BorrarAlTerminar(const QString& ruta) {
    Registrar(ruta, ruta, false);
}

void CarpetaPrivada::Retirar(const QString& ruta) {
    const std::lock_guard guarda(gCerrojoPropios);
    Propio* p = Registro(gUsuario.load(), RutaABytes(QFileInfo(ruta).fileName()));
    if (p && p->activo.exchange(false))
        QuitarPropio(*p);
}

bool CarpetaPrivada::Publicar(const QString& propio, const QString& ruta) {
    // Recorded before it is moved: a signal right after the move still finds it.
    Propio* p = Registrar(ruta, propio, true);
    if (p && ::renameat(gProceso.load(), RutaABytes(QFileInfo(propio).fileName()).constData(),
                        gUsuario.load(), p->nombre) == 0)
        return true;
    if (p)
        p->activo = false;
    return false;
}

void CarpetaPrivada::BorrarTemporalAlTerminar(const QByteArray& ruta) {
    const std::lock_guard guarda(gCerrojoArchivos);
    const int n = gNumTemporales.load();
    int libre = 0;
    while (libre < n && gTemporales[libre][0] != '\0')
        ++libre;
    if (ruta.isEmpty() || libre >= kMaxTemporales || ruta.size() >= qsizetype(kMaxRuta))
        return;
    // The first byte last: until then the handler finds the slot empty.
    std::memcpy(gTemporales[libre] + 1, ruta.constData() + 1, size_t(ruta.size()));
    std::atomic_signal_fence(std::memory_order_seq_cst);
    gTemporales[libre][0] = ruta[0];
    if (libre == n)
        gNumTemporales = n + 1;
}

void CarpetaPrivada::NoBorrarTemporalAlTerminar(const QByteArray& ruta) {
    const std::lock_guard guarda(gCerrojoArchivos);
    for (int i = 0; i < gNumTemporales.load(); ++i)
        if (ruta == gTemporales[i])
            gTemporales[i][0] = '\0';
}
