#include "util/FormatoSQL.h"

#include "platform/base/LiteralSQL.h"
#include "util/Recorte.h"
#include "util/TextosUtil.h"
#include "util/Val.h"
#include "util/Variante.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <cmath>
#include <optional>

namespace {

constexpr char kFormatoFecha[] = "MM/dd/yyyy";
constexpr char kFormatoHora[] = "HH:mm:ss";
// The words that read as true, in the host's language and in the runtime's.
const QString kTrue = QStringLiteral("True");

QString Nulo() {
    return QStringLiteral("Null");
}

// 'text', the spaces at either end removed and every apostrophe doubled.
QString Citar(QStringView texto) {
    return CitarLiteral(RecortarEspacios(texto));
}

bool EsTextoVacio(const QVariant& valor) {
    return EsVacio(valor) || (EsTexto(valor) && valor.toString().isEmpty());
}

bool FechaValida(const QDate& fecha) {
    return fecha.isValid() && fecha.year() >= 100 && fecha.year() <= 9999;
}

QTime LeerHora(const QString& texto) {
    QTime hora = QTime::fromString(texto, QStringLiteral("H:mm:ss"));
    if (!hora.isValid())
        hora = QTime::fromString(texto, QStringLiteral("H:mm"));
    return hora;
}

// A date or a time of day, or both, as a text spells them.
struct Momento {
    QDate fecha;
    QTime hora;
};

std::optional<Momento> MomentoDeTexto(const QString& texto) {
    const QString t = texto.trimmed();
    qsizetype corte = t.indexOf(u' ');
    if (corte < 0 && t.contains(u'-'))
        corte = t.indexOf(u'T');
    const QString parteFecha = corte < 0 ? t : t.left(corte);
    const QString parteHora = corte < 0 ? QString() : t.mid(corte + 1).trimmed();
    if (corte < 0 && parteFecha.contains(u':')) {
        const QTime hora = LeerHora(parteFecha);
        return hora.isValid() ? std::optional<Momento>(Momento{QDate(), hora}) : std::nullopt;
    }
    QDate fecha = QDate::fromString(parteFecha, QStringLiteral("M/d/yyyy"));
    if (!fecha.isValid())
        fecha = QDate::fromString(parteFecha, QStringLiteral("yyyy-MM-dd"));
    if (!FechaValida(fecha))
        return std::nullopt;
    if (parteHora.isEmpty())
        return Momento{fecha, QTime(0, 0)};
    const QTime hora = LeerHora(parteHora);
    return hora.isValid() ? std::optional<Momento>(Momento{fecha, hora}) : std::nullopt;
}

QString LiteralNumero(const QVariant& valor, bool nuloSiVacio) {
    const bool numerico =
        EsNumero(valor) || (EsTexto(valor) && NumeroDeTexto(valor.toString()).has_value());
    QString resultado = numerico ? TextoDeNumero(Val(TextoDe(valor))) : Nulo();
    resultado.replace(u',', u'.');
    if (nuloSiVacio && Val(resultado) == 0)
        return Nulo();
    return resultado;
}

QString LiteralFecha(const QVariant& valor) {
    QDate fecha;
    const int id = valor.metaType().id();
    if (id == QMetaType::QDate || id == QMetaType::QDateTime)
        fecha = valor.toDate();
    else if (EsTexto(valor))
        fecha = MomentoDeTexto(valor.toString()).value_or(Momento{}).fecha;
    if (!FechaValida(fecha))
        return Nulo();
    return u'#' + fecha.toString(QLatin1StringView(kFormatoFecha)) + u'#';
}

QString LiteralTexto(const QVariant& valor, bool nuloSiVacio) {
    if (valor.metaType().id() == QMetaType::QString) {
        const QString& texto = *static_cast<const QString*>(valor.constData());
        if (nuloSiVacio && texto.isEmpty())
            return Nulo();
        return Citar(texto);
    }
    if (nuloSiVacio && EsTextoVacio(valor))
        return Nulo();
    return Citar(TextoDe(valor));
}

QString LiteralBooleano(const QVariant& valor) {
    const std::optional<double> numero =
        EsTexto(valor) ? NumeroDeTexto(valor.toString()) : NumeroComparable(valor);
    const bool esTexto = EsTexto(valor);
    const bool verdadero =
        (numero && *numero == -1) || (esTexto && valor.toString() == TextosUtil::Verdadero) ||
        (esTexto && valor.toString() == kTrue) ||
        (valor.metaType().id() == QMetaType::Bool && valor.toBool()) || (numero && *numero != 0);
    return verdadero ? QStringLiteral("-1") : QStringLiteral("0");
}

// The time of day of a serial date: its fraction, to the second.
QTime HoraDeSerial(double serial) {
    const double dia = std::fabs(serial);
    const auto segundos = std::llround((dia - std::floor(dia)) * 86400.0) % 86400;
    return QTime::fromMSecsSinceStartOfDay(static_cast<int>(segundos) * 1000);
}

QString LiteralHora(const QVariant& valor) {
    if (EsTextoVacio(valor))
        return Nulo();
    const int id = valor.metaType().id();
    QTime hora;
    if (id == QMetaType::QTime || id == QMetaType::QDateTime) {
        hora = valor.toTime();
    } else if (id == QMetaType::QDate) {
        hora = QTime(0, 0);
    } else if (EsTexto(valor)) {
        const QString texto = valor.toString();
        if (const auto momento = MomentoDeTexto(texto))
            hora = momento->hora.isValid() ? momento->hora : QTime(0, 0);
        else if (const auto serial = NumeroDeTexto(texto))
            hora = HoraDeSerial(*serial);
        else
            return Citar(texto);
    } else if (const auto serial = NumeroComparable(valor)) {
        hora = HoraDeSerial(*serial);
    }
    if (!hora.isValid())
        return QStringLiteral("''");
    return u'\'' + hora.toString(QLatin1StringView(kFormatoHora)) + u'\'';
}

} // namespace

QString FormatoSQL(const QVariant& Valor, int32_t Tipo, const bool& NuloSiVacio) {
    if (EsNuloBD(Valor))
        return Nulo();
    if (Tipo == tsTexto && Valor.metaType().id() == QMetaType::QString)
        return LiteralTexto(Valor, NuloSiVacio);
    if (Tipo < tsNumero || Tipo > tsHora)
        return QString();
    ExigirTextoConvertible(Valor);
    switch (Tipo) {
    case tsNumero:
        return LiteralNumero(Valor, NuloSiVacio);
    case tsFecha:
        return LiteralFecha(Valor);
    case tsTexto:
        return LiteralTexto(Valor, NuloSiVacio);
    case tsBooleano:
        return LiteralBooleano(Valor);
    default:
        return LiteralHora(Valor);
    }
}
