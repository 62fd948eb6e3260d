#include "platform/reporte/LectorFormulas.h"

#include "platform/ErrorEjecucion.h"
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
            Fallar(QString::fromUtf8(TextosReporte::FormulaEsperado).arg(c).arg(pos_ + 1));
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
            Fallar(QString::fromUtf8(TextosReporte::FormulaNombre).arg(inicio + 1));
        return texto_.mid(inicio, pos_ - inicio);
    }

    QString Literal() {
        Esperar(QLatin1Char('\''));
        QString valor;
        for (;;) {
            if (pos_ >= texto_.size())
                Fallar(QString::fromUtf8(TextosReporte::FormulaSinCierre));
            const QChar c = texto_[pos_++];
            if (c != QLatin1Char('\'')) {
                valor += c;
            } else if (pos_ < texto_.size() && texto_[pos_] == QLatin1Char('\'')) {
                valor += c;
                ++pos_;
            } else {
                return valor;
            }
        }
    }

    void Terminar() {
        if (!Fin())
            Fallar(QString::fromUtf8(TextosReporte::FormulaSobrante).arg(texto_.mid(pos_)));
    }

    [[noreturn]] void Fallar(const QString& motivo) const {
        throw ErrorEjecucion(ErroresReporte::FormulaNoValida,
                             QString::fromUtf8(TextosReporte::FormulaNoValida).arg(texto_, motivo));
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

QString LiteralFormula(const QString& valor) {
    QString literal = valor;
    literal.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + literal + QLatin1Char('\'');
}
