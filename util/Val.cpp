#include "util/Val.h"

#include "platform/proceso/ErrorEjecucion.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace {

bool EsBlanco(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n';
}

int ValorDigito(QChar c, int base) {
    const char16_t u = c.unicode();
    int d = -1;
    if (u >= u'0' && u <= u'9')
        d = u - u'0';
    else if (u >= u'a' && u <= u'f')
        d = u - u'a' + 10;
    else if (u >= u'A' && u <= u'F')
        d = u - u'A' + 10;
    return d < base ? d : -1;
}

struct Lectura {
    double valor = 0;
    bool hayDigitos = false;
    bool desborda = false;
    qsizetype fin = 0; // where reading stopped
};

// Walks a text, skipping blanks between characters when asked.
class Cursor {
public:
    Cursor(QStringView texto, bool saltarBlancos)
        : texto_(texto)
        , saltar_(saltarBlancos) {
        Saltar();
    }
    bool Fin() const { return i_ >= texto_.size(); }
    QChar Actual() const { return Fin() ? QChar() : texto_[i_]; }
    void Avanzar() {
        ++i_;
        Saltar();
    }
    qsizetype Posicion() const { return i_; }
    void Volver(qsizetype posicion) { i_ = posicion; }

private:
    void Saltar() {
        while (saltar_ && i_ < texto_.size() && EsBlanco(texto_[i_]))
            ++i_;
    }
    QStringView texto_;
    bool saltar_;
    qsizetype i_ = 0;
};

Lectura LeerEntero(Cursor& c, int base) {
    Lectura l;
    while (!c.Fin()) {
        const int d = ValorDigito(c.Actual(), base);
        if (d < 0)
            break;
        l.valor = l.valor * base + d;
        l.hayDigitos = true;
        c.Avanzar();
    }
    l.desborda = !std::isfinite(l.valor);
    l.fin = c.Posicion();
    return l;
}

void LeerDigitos(Cursor& c, std::string& destino) {
    while (!c.Fin() && c.Actual().isDigit() && c.Actual().unicode() < 0x80) {
        destino += static_cast<char>(c.Actual().unicode());
        c.Avanzar();
    }
}

// The exponent as written, with a sign; kept within bounds that still tell
// overflow from underflow.
long ExponenteAcotado(const std::string& exponente) {
    long e = 0;
    for (std::size_t i = 1; i < exponente.size(); ++i)
        e = std::min(e * 10 + (exponente[i] - '0'), 1'000'000L);
    return exponente[0] == '-' ? -e : e;
}

// Out of range: an overflow when the first significant digit stands left of
// the decimal point once the exponent is applied, an underflow otherwise.
bool EsDesbordamiento(const std::string& entera, const std::string& fraccion,
                      const std::string& exponente) {
    const std::size_t primera = entera.find_first_not_of('0');
    long magnitud;
    if (primera != std::string::npos) {
        magnitud = static_cast<long>(entera.size() - primera) - 1;
    } else {
        const std::size_t enFraccion = fraccion.find_first_not_of('0');
        if (enFraccion == std::string::npos)
            return false; // zero
        magnitud = -static_cast<long>(enFraccion) - 1;
    }
    return magnitud + (exponente.empty() ? 0 : ExponenteAcotado(exponente)) > 0;
}

// The exponent after an E, with its sign; empty, and nothing read, when the
// E has no digits: it is then not part of the number.
std::string LeerExponente(Cursor& c) {
    const qsizetype antes = c.Posicion();
    c.Avanzar();
    std::string exponente = "+";
    if (c.Actual() == u'+' || c.Actual() == u'-') {
        exponente[0] = static_cast<char>(c.Actual().unicode());
        c.Avanzar();
    }
    LeerDigitos(c, exponente);
    if (exponente.size() > 1)
        return exponente;
    c.Volver(antes);
    return std::string();
}

// The value of the digits read; out of range gives 0, marked when it overflows.
void Convertir(const std::string& entera, const std::string& fraccion, const std::string& exponente,
               Lectura& l) {
    std::string numero = (entera.empty() ? "0" : entera) + "." + fraccion + "0";
    if (!exponente.empty())
        numero += "e" + exponente.substr(exponente[0] == '+' ? 1 : 0);
    const auto [fin, error] =
        std::from_chars(numero.data(), numero.data() + numero.size(), l.valor);
    if (error == std::errc::result_out_of_range) {
        l.desborda = EsDesbordamiento(entera, fraccion, exponente);
        l.valor = 0;
    }
}

Lectura LeerDecimal(Cursor& c) {
    Lectura l;
    bool negativo = false;
    if (c.Actual() == u'+' || c.Actual() == u'-') {
        negativo = c.Actual() == u'-';
        c.Avanzar();
    }
    std::string entera, fraccion, exponente;
    LeerDigitos(c, entera);
    if (c.Actual() == u'.') {
        c.Avanzar();
        LeerDigitos(c, fraccion);
    }
    l.hayDigitos = !entera.empty() || !fraccion.empty();
    if (l.hayDigitos && (c.Actual() == u'E' || c.Actual() == u'e'))
        exponente = LeerExponente(c);
    l.fin = c.Posicion();
    if (!l.hayDigitos)
        return l;
    Convertir(entera, fraccion, exponente, l);
    if (negativo)
        l.valor = -l.valor;
    return l;
}

Lectura Leer(QStringView texto, bool saltarBlancos) {
    Cursor c(texto, saltarBlancos);
    if (c.Actual() == u'&') {
        const qsizetype antes = c.Posicion();
        c.Avanzar();
        const char16_t letra = c.Actual().toUpper().unicode();
        if (letra == u'H' || letra == u'O') {
            c.Avanzar();
            return LeerEntero(c, letra == u'H' ? 16 : 8);
        }
        Lectura nada;
        nada.fin = antes;
        return nada;
    }
    return LeerDecimal(c);
}

} // namespace

double Val(QStringView texto) {
    const Lectura l = Leer(texto, true);
    if (l.desborda)
        throw ErrorSistema(Errores::Desbordamiento);
    // A lone sign reads as 0, never as -0.
    return l.valor == 0 ? 0.0 : l.valor;
}

std::optional<double> NumeroDeTexto(QStringView texto) {
    qsizetype inicio = 0;
    qsizetype fin = texto.size();
    while (inicio < fin && (EsBlanco(texto[inicio]) || texto[inicio] == u'\r'))
        ++inicio;
    while (fin > inicio && (EsBlanco(texto[fin - 1]) || texto[fin - 1] == u'\r'))
        --fin;
    const QStringView nucleo = texto.sliced(inicio, fin - inicio);
    const Lectura l = Leer(nucleo, false);
    if (!l.hayDigitos || l.desborda || l.fin != nucleo.size())
        return std::nullopt;
    return l.valor == 0 ? 0.0 : l.valor;
}
