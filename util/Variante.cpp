#include "util/Variante.h"

#include "platform/proceso/ErrorEjecucion.h"
#include "util/TextosUtil.h"
#include "util/Val.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <charconv>
#include <cmath>

namespace {

constexpr int32_t kTiposNoCoinciden = 13;
constexpr int32_t kUsoNoValidoNull = 94;
constexpr char kFormatoFecha[] = "MM/dd/yyyy";
constexpr char kFormatoHora[] = "HH:mm:ss";

const QDate& FechaCero() {
    static const QDate cero(1899, 12, 30);
    return cero;
}

bool EsEntero(int id) {
    switch (id) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

bool EsSinSigno(int id) {
    return id == QMetaType::UInt || id == QMetaType::ULongLong || id == QMetaType::ULong ||
           id == QMetaType::UShort || id == QMetaType::UChar;
}

bool EsFechaUHora(int id) {
    return id == QMetaType::QDate || id == QMetaType::QTime || id == QMetaType::QDateTime;
}

bool TieneTexto(const QVariant& valor) {
    const int id = valor.metaType().id();
    return !valor.isValid() || EsTexto(valor) || EsNumero(valor) || id == QMetaType::Bool ||
           EsFechaUHora(id);
}

QString TextoDeFechaHora(const QVariant& valor) {
    switch (valor.metaType().id()) {
    case QMetaType::QDate:
        return valor.toDate().toString(QLatin1StringView(kFormatoFecha));
    case QMetaType::QTime:
        return valor.toTime().toString(QLatin1StringView(kFormatoHora));
    default: {
        const QDateTime momento = valor.toDateTime();
        QString fecha = momento.date().toString(QLatin1StringView(kFormatoFecha));
        if (momento.time() == QTime(0, 0))
            return fecha;
        return fecha + u' ' + momento.time().toString(QLatin1StringView(kFormatoHora));
    }
    }
}

QString TextoDeFlotante(double numero, int cifras) {
    if (!std::isfinite(numero))
        throw ErrorSistema(Errores::Desbordamiento);
    if (numero == 0)
        return QStringLiteral("0"); // never "-0"
    char texto[40];
    const auto resultado =
        std::to_chars(texto, texto + sizeof texto, numero, std::chars_format::general, cifras);
    QString escrito = QString::fromLatin1(texto, resultado.ptr - texto);
    escrito.replace(u'e', u'E');
    return escrito;
}

double SerialDe(const QVariant& valor) {
    const int id = valor.metaType().id();
    const QDate fecha = id == QMetaType::QTime ? FechaCero() : valor.toDateTime().date();
    const QTime hora = id == QMetaType::QDate ? QTime(0, 0) : valor.toTime();
    double serial = static_cast<double>(FechaCero().daysTo(fecha));
    const double fraccion = hora.isValid() ? hora.msecsSinceStartOfDay() / 86'400'000.0 : 0.0;
    // Before the serial's zero the time still counts forward from midnight.
    return serial < 0 ? serial - fraccion : serial + fraccion;
}

} // namespace

bool operator==(NuloBaseDatos, NuloBaseDatos) {
    return true;
}

QVariant NuloBD() {
    return QVariant::fromValue(NuloBaseDatos{});
}

bool EsNuloBD(const QVariant& valor) {
    return valor.metaType() == QMetaType::fromType<NuloBaseDatos>();
}

bool EsVacio(const QVariant& valor) {
    return !valor.isValid();
}

bool EsTexto(const QVariant& valor) {
    const int id = valor.metaType().id();
    return id == QMetaType::QString || id == QMetaType::QChar;
}

bool EsNumero(const QVariant& valor) {
    const int id = valor.metaType().id();
    return EsEntero(id) || id == QMetaType::Double || id == QMetaType::Float;
}

void ExigirTextoConvertible(const QVariant& valor) {
    if (!TieneTexto(valor) && !EsNuloBD(valor))
        throw ErrorEjecucion(kTiposNoCoinciden, TextosUtil::TiposNoCoinciden);
}

QString TextoDe(const QVariant& valor) {
    if (EsNuloBD(valor))
        throw ErrorEjecucion(kUsoNoValidoNull, TextosUtil::UsoNoValidoNull);
    ExigirTextoConvertible(valor);
    const int id = valor.metaType().id();
    if (!valor.isValid())
        return QString();
    if (EsTexto(valor))
        return valor.toString();
    if (EsEntero(id))
        return EsSinSigno(id) ? QString::number(valor.toULongLong())
                              : QString::number(valor.toLongLong());
    if (id == QMetaType::Bool)
        return valor.toBool() ? TextosUtil::Verdadero : TextosUtil::Falso;
    if (id == QMetaType::Float)
        return TextoDeFlotante(valor.toDouble(), 7);
    if (id == QMetaType::Double)
        return TextoDeFlotante(valor.toDouble(), 15);
    return TextoDeFechaHora(valor);
}

QString TextoDeNumero(double numero) {
    return TextoDeFlotante(numero, 15);
}

std::optional<double> NumeroComparable(const QVariant& valor) {
    const int id = valor.metaType().id();
    if (!valor.isValid())
        return 0.0;
    if (id == QMetaType::Bool)
        return valor.toBool() ? -1.0 : 0.0;
    if (EsNumero(valor))
        return valor.toDouble();
    if (EsFechaUHora(id))
        return SerialDe(valor);
    if (EsTexto(valor))
        return NumeroDeTexto(valor.toString());
    return std::nullopt;
}
