#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <memory>

struct evp_md_ctx_st;

// The SHA-256 of bytes given in pieces, as sha256sum writes it. OpenSSL's,
// which uses the processor's own SHA instructions where there are any: a
// run's file is digested while it is read, at a cost next to nothing.
class ResumenSha256 {
public:
    ResumenSha256();
    ~ResumenSha256();
    ResumenSha256(const ResumenSha256&) = delete;
    ResumenSha256& operator=(const ResumenSha256&) = delete;

    void Agregar(QByteArrayView bytes);
    // The 64 lower-case hexadecimal digits of the bytes so far; more may follow.
    QByteArray Hexadecimal() const;

private:
    struct Liberar {
        void operator()(evp_md_ctx_st* contexto) const;
    };
    std::unique_ptr<evp_md_ctx_st, Liberar> contexto_;
};
