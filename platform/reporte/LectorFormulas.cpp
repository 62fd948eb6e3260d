#include "platform/reporte/LectorFormulas.h"

#include "platform/base/LiteralSQL.h"
#include "platform/proceso/ErrorEjecucion.h"
#include "platform/reporte/TextosReporte.h"

namespace {

// A cursor over the formula text; every fault names the formula and the reason.
class Cursor {
public:
    explicit Cursor(const QString& texto)
        : texto_(texto) {}

    void SaltarEspacios() {
        while (pos_ < texto_.size() && texto_[pos_].isSpace())
            ++pos_;
    }

    bool Fin() {
        SaltarEspacios();
        return pos_ >= texto_.size();
    }

    void Esperar(QChar c) {
        SaltarEspacios();
        if (pos_ >= texto_.size() || texto_[pos_] != c)
            Fallar(TextosReporte::FormulaEsperado.arg(c).arg(pos_ + 1));
        ++pos_;
    }

    QString Nombre() {
        SaltarEspacios();
        const qsizetype inicio = pos_;
        while (pos_ < texto_.size() &&
               (texto_[pos_] == QLatin1Char('_') ||
                (texto_[pos_].isLetterOrNumber() && texto_[pos_].unicode() < 128)))
            ++pos_;
        if (pos_ == inicio || texto_[inicio].isDigit())
            Fallar(TextosReporte::FormulaNombre.arg(inicio + 1));
        return texto_.mid(inicio, pos_ - inicio);
    }

    QString Literal() {
        Esperar(u'\'');
        QString valor;
        pos_ = LeerLiteral(texto_, pos_ - 1, valor);
        if (pos_ < 0)
            Fallar(TextosReporte::FormulaSinCierre);
        return valor;
    }

    void Terminar() {
        if (!Fin())
            Fallar(TextosReporte::FormulaSobrante.arg(texto_.mid(pos_)));
    }

    [[noreturn]] void Fallar(const QString& motivo) const {
        throw ErrorEjecucion(ErroresReporte::FormulaNoValida,
                             TextosReporte::FormulaNoValida.arg(texto_, motivo));
    }

private:
    const QString& texto_;
    qsizetype pos_ = 0;
};

} // namespace

Seleccion LeerSeleccion(const QString& texto) {
    Cursor cursor(texto);
    Seleccion s;
    if (cursor.Fin())
        return s;
    s.vacia = false;
    cursor.Esperar(QLatin1Char('{'));
    s.tabla = cursor.Nombre();
    cursor.Esperar(QLatin1Char('.'));
    s.campo = cursor.Nombre();
    cursor.Esperar(QLatin1Char('}'));
    cursor.Esperar(QLatin1Char('='));
    s.valor = cursor.Literal();
    cursor.Terminar();
    return s;
}

Formula LeerFormula(const QString& texto) {
    Cursor cursor(texto);
    Formula f;
    f.nombre = cursor.Nombre();
    cursor.Esperar(QLatin1Char('='));
    f.valor = cursor.Literal();
    cursor.Terminar();
    return f;
}
