#include "hash/CHash.h"

#include "platform/Ansi.h"
#include "platform/BibliotecaDinamica.h"
#include "platform/ErrorEjecucion.h"
#include "platform/Programa.h"
#include "util/Recorte.h"

#include <cstring>
#include <limits>
#include <map>

namespace {

constexpr char kBiblioteca[] = "libmd5.so";
constexpr char kMDStringFix[] = "MDStringFix";
constexpr char kMDFile[] = "MDFile";
constexpr int kDigitos = 32;

// The library of one path and the exports resolved from it so far.
struct LibreriaMd5 {
    BibliotecaDinamica biblioteca;
    void* mdStringFix = nullptr;
    void* mdFile = nullptr;
};

// The library in the current program folder, loaded at the first request. A
// load that fails leaves no entry, so the next call tries again. Keyed by path,
// so a program folder of its own (tests) gets its own library. Only the
// user-interface thread hashes, so the map needs no lock.
LibreriaMd5& Libreria() {
    static std::map<QString, LibreriaMd5> cargadas;
    const QString ruta = ArchivoDelPrograma(QString::fromLatin1(kBiblioteca));
    auto it = cargadas.find(ruta);
    if (it == cargadas.end())
        it = cargadas.emplace(ruta, LibreriaMd5{BibliotecaDinamica(ruta)}).first;
    return it->second;
}

template <typename Funcion> Funcion Exportacion(void* LibreriaMd5::*campo, const char* nombre) {
    LibreriaMd5& libreria = Libreria();
    if (!(libreria.*campo))
        libreria.*campo = libreria.biblioteca.Resolver(nombre);
    return reinterpret_cast<Funcion>(libreria.*campo);
}

// 32 spaces and the NUL: the buffer the library overwrites.
void LlenarBufer(char (&bufer)[kDigitos + 1]) {
    std::memset(bufer, ' ', kDigitos);
    bufer[kDigitos] = '\0';
}

} // namespace

QString CHash::MD5String(QString Cadena) {
    // The library takes the length as a 32-bit count.
    if (Cadena.size() > std::numeric_limits<int32_t>::max())
        throw ErrorSistema(Errores::Desbordamiento);
    const auto longitud = static_cast<int32_t>(Cadena.size());
    char bufer[kDigitos + 1];
    LlenarBufer(bufer);
    HaciaAnsi(Cadena, ansi_);
    if (!mdStringFix_)
        mdStringFix_ = Exportacion<FuncionMDStringFix>(&LibreriaMd5::mdStringFix, kMDStringFix);
    mdStringFix_(ansi_.constData(), longitud, bufer);
    // One byte a character in this code page, so the 32 bytes are 32 characters.
    return DesdeAnsi(bufer, kDigitos);
}

QString CHash::MD5File(QString Ruta) {
    char bufer[kDigitos + 1];
    LlenarBufer(bufer);
    const QByteArray ruta = HaciaAnsi(Ruta);
    if (!mdFile_)
        mdFile_ = Exportacion<FuncionMDFile>(&LibreriaMd5::mdFile, kMDFile);
    mdFile_(ruta.constData(), bufer);
    return RecortarEspacios(DesdeAnsi(bufer, kDigitos)).toString();
}
