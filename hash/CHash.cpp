#include "hash/CHash.h"

#include "platform/archivos/Ansi.h"
#include "platform/proceso/BibliotecaDinamica.h"
#include "platform/proceso/ErrorEjecucion.h"
#include "util/Recorte.h"

#include <cstring>
#include <limits>

namespace {

constexpr char kMDStringFix[] = "MDStringFix";
constexpr char kMDFile[] = "MDFile";
constexpr int kDigitos = 32;

// 32 spaces and the NUL: the buffer the library overwrites.
void LlenarBufer(char (&bufer)[kDigitos + 1]) {
    std::memset(bufer, ' ', kDigitos);
    bufer[kDigitos] = '\0';
}

} // namespace

CHash::CHash(QString rutaBiblioteca)
    : rutaBiblioteca_(std::move(rutaBiblioteca)) {}

CHash::~CHash() = default;

void* CHash::Exportacion(const char* nombre) {
    // A load that fails keeps nothing, so the next call tries again.
    if (!biblioteca_)
        biblioteca_ = std::make_unique<BibliotecaDinamica>(rutaBiblioteca_);
    return biblioteca_->Resolver(nombre);
}

QString CHash::MD5String(const QString& Cadena) {
    // The library takes the length as a 32-bit count.
    if (Cadena.size() > std::numeric_limits<int32_t>::max())
        throw ErrorSistema(Errores::Desbordamiento);
    const auto longitud = static_cast<int32_t>(Cadena.size());
    char bufer[kDigitos + 1];
    LlenarBufer(bufer);
    HaciaAnsi(Cadena, ansi_);
    if (!mdStringFix_)
        mdStringFix_ = reinterpret_cast<FuncionMDStringFix>(Exportacion(kMDStringFix));
    mdStringFix_(ansi_.constData(), longitud, bufer);
    // One byte a character in this code page, so the 32 bytes are 32 characters.
    return DesdeAnsi(bufer, kDigitos);
}

QString CHash::MD5File(const QString& Ruta) {
    char bufer[kDigitos + 1];
    LlenarBufer(bufer);
    const QByteArray ruta = HaciaAnsi(Ruta);
    if (!mdFile_)
        mdFile_ = reinterpret_cast<FuncionMDFile>(Exportacion(kMDFile));
    mdFile_(ruta.constData(), bufer);
    return RecortarEspacios(DesdeAnsi(bufer, kDigitos)).toString();
}
