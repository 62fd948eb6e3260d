#include "platform/archivos/ResumenSha256.h"

#include <openssl/evp.h>

#include <new>

void ResumenSha256::Liberar::operator()(evp_md_ctx_st* contexto) const {
    EVP_MD_CTX_free(contexto);
}

ResumenSha256::ResumenSha256()
    : contexto_(EVP_MD_CTX_new()) {
    if (!contexto_ || EVP_DigestInit_ex(contexto_.get(), EVP_sha256(), nullptr) != 1)
        throw std::bad_alloc();
}

ResumenSha256::~ResumenSha256() = default;

void ResumenSha256::Agregar(QByteArrayView bytes) {
    if (!bytes.isEmpty())
        EVP_DigestUpdate(contexto_.get(), bytes.data(), size_t(bytes.size()));
}

QByteArray ResumenSha256::Hexadecimal() const {
    // The digest so far, taken on a copy so that more can still be added.
    const std::unique_ptr<evp_md_ctx_st, Liberar> copia(EVP_MD_CTX_new());
    unsigned char resumen[EVP_MAX_MD_SIZE];
    unsigned int largo = 0;
    if (!copia || EVP_MD_CTX_copy_ex(copia.get(), contexto_.get()) != 1 ||
        EVP_DigestFinal_ex(copia.get(), resumen, &largo) != 1)
        throw std::bad_alloc();
    return QByteArray(reinterpret_cast<const char*>(resumen), int(largo)).toHex();
}
