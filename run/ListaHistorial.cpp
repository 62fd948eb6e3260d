#include "run/ListaHistorial.h"

#include "platform/base/Conexion.h"
#include "platform/proceso/Cantidad.h"
#include "platform/proceso/TextoVisible.h"

#include <QRegularExpression>
#include <QStringBuilder>

namespace {

using Historial::Fila;

// A failed run's error, cut to keep its row on one screen line.
constexpr int kLargoError = 60;
const QString kSeparador = QStringLiteral("  ");

bool EsEntero(int campo) {
    return campo == Historial::Id || campo == Historial::Tamano || campo == Historial::Lineas ||
           campo == Historial::Filas || campo == Historial::ErrorNumero;
}

// A whole number as JSON writes it: no sign but "-", no leading zero, no blank.
bool EsNumero(const QString& texto) {
    bool ok = false;
    return QString::number(texto.toLongLong(&ok)) == texto && ok;
}

// A CSV field (RFC 4180): visible, a leading "=", "+", "-" or "@" that a
// spreadsheet would run as a formula behind a "'" (and a leading "'" doubled,
// so that one "'" always comes off), quoted when it holds a quote or a comma.
// A field that is wholly a number ("-12,50") is no formula, and stays as it is.
// A tab or a line break never stays raw: TextoVisible writes it "\t", "\n".
QString CampoCsv(const QString& texto) {
    static const QRegularExpression numero(QStringLiteral("^[-+]?[0-9]+([.,][0-9]+)?$"));
    QString campo = TextoVisible(texto);
    if (!campo.isEmpty() && QStringView(u"=+-@'").contains(campo.front()) &&
        !numero.match(campo).hasMatch())
        campo.prepend(u'\'');
    // A spreadsheet set for Spanish splits on ";": quoted, no cell begins inside it.
    if (!campo.contains(u'"') && !campo.contains(u',') && !campo.contains(u';'))
        return campo;
    return u'"' % campo.replace(u'"', QStringLiteral("\"\"")) % u'"';
}

QString FilaCsv(const QStringList& campos) {
    QStringList citados;
    for (const QString& campo : campos)
        citados << CampoCsv(campo);
    return citados.join(u',') % QStringLiteral("\r\n");
}

QString CadenaJson(const QString& texto) {
    return u'"' % TextoVisible(texto, FormaVisible::Json) % u'"';
}

// One object, its members in column order; a damaged row's non-numbers are
// null, and "campos_danados" names them.
QString ObjetoJson(const Fila& fila, const QStringList& danados) {
    QStringList miembros;
    for (int i = 0; i < Historial::NumeroCampos; ++i) {
        const QString valor = !EsEntero(i)        ? CadenaJson(fila[i])
                              : EsNumero(fila[i]) ? fila[i]
                                                  : QStringLiteral("null");
        miembros << CadenaJson(Historial::Columnas()[i]) % u':' % valor;
    }
    if (!danados.isEmpty()) {
        QStringList nombres;
        for (const QString& nombre : danados)
            nombres << CadenaJson(nombre);
        miembros << QStringLiteral("\"campos_danados\":[") % nombres.join(u',') % u']';
    }
    return u'{' % miembros.join(u',') % u'}';
}

// The table's columns: the result, last, has no width of its own.
enum ColumnaTabla { CFecha, CArchivo, CCodigo, CFilas, CUsuario, CEquipo, CResultado };
// No narrower than a date or a code, and names no wider than this.
constexpr int kAnchosMinimos[CResultado] = {19, 7, 32, 5, 7, 6};
constexpr int kAnchoMaximo = 40;
constexpr int kPrimeraPagina = 50;

QStringList Titulos() {
    return {TextosHistorial::Fecha,    TextosHistorial::Archivo, TextosHistorial::Codigo,
            TextosHistorial::Filas,    TextosHistorial::Usuario, TextosHistorial::Equipo,
            TextosHistorial::Resultado};
}

QString Resultado(const Fila& fila) {
    QString resultado = TextoVisible(fila[Historial::Resultado]);
    if (resultado == Historial::Completada)
        return resultado;
    QString error = TextoVisible(fila[Historial::ErrorDescripcion]);
    if (error.size() > kLargoError)
        error = error.left(kLargoError - 1) % u'…';
    return TextosHistorial::ConError.arg(resultado, TextoVisible(fila[Historial::ErrorNumero]),
                                         error);
}

QStringList Celdas(const Fila& fila) {
    const QString& filas = fila[Historial::Filas];
    return {FechaLocal(fila[Historial::Inicio]),
            TextoVisible(fila[Historial::Archivo]),
            TextoVisible(fila[Historial::Codigo]),
            EsNumero(filas) ? TextoCantidad(filas.toLongLong()) : TextoVisible(filas),
            TextoVisible(fila[Historial::Usuario]),
            TextoVisible(fila[Historial::Equipo]),
            Resultado(fila)};
}

// The widths are those of the first page: the rows stay a stream, and the
// first page is out before the rest is read. A later name wider than its
// column is cut with "…"; a wider count pushes its row out of line.
QList<int> Anchos(const QList<QStringList>& pagina) {
    QList<int> anchos(std::begin(kAnchosMinimos), std::end(kAnchosMinimos));
    for (const QStringList& celdas : pagina)
        for (int i = 0; i < CResultado; ++i)
            anchos[i] = qMax(anchos[i], int(qMin(celdas[i].size(), qsizetype(kAnchoMaximo))));
    return anchos;
}

QString LineaTabla(const QList<int>& anchos, const QStringList& celdas) {
    QString linea;
    for (int i = 0; i < CResultado; ++i) {
        QString celda = celdas[i];
        if (i == CFilas) {
            linea += celda.rightJustified(anchos[i]) % kSeparador;
            continue;
        }
        if (celda.size() > anchos[i])
            celda = celda.left(anchos[i] - 1) % u'…';
        linea += celda.leftJustified(anchos[i]) % kSeparador;
    }
    return linea % celdas[CResultado] % u'\n';
}

// Tells of a damaged row, and names its damaged fields.
using Revisar = std::function<QStringList(const Fila&)>;

void ListarTabla(Conexion& conexion, const Historial::Filtro& filtro, const Revisar& revisar,
                 const std::function<void(const QString&)>& escribir) {
    QList<QStringList> pagina{Titulos()};
    QList<int> anchos;
    const auto vaciarPagina = [&] {
        anchos = Anchos(pagina);
        for (const QStringList& celdas : pagina)
            escribir(LineaTabla(anchos, celdas));
    };
    Historial::Leer(conexion, filtro, [&](const Fila& fila) {
        revisar(fila);
        if (!anchos.isEmpty()) {
            escribir(LineaTabla(anchos, Celdas(fila)));
        } else {
            pagina << Celdas(fila);
            if (pagina.size() > kPrimeraPagina)
                vaciarPagina();
        }
        return true;
    });
    if (anchos.isEmpty())
        vaciarPagina();
}

void ListarJson(Conexion& conexion, const Historial::Filtro& filtro, const Revisar& revisar,
                const std::function<void(const QString&)>& escribir) {
    QString separador = QStringLiteral("[\n");
    Historial::Leer(conexion, filtro, [&](const Fila& fila) {
        escribir(separador % ObjetoJson(fila, revisar(fila)));
        separador = QStringLiteral(",\n");
        return true;
    });
    escribir(separador == u"[\n" ? QStringLiteral("[]\n") : QStringLiteral("\n]\n"));
}

} // namespace

FormatoHistorial FormatoDeNombre(const QString& nombre) {
    if (nombre == u"csv")
        return FormatoHistorial::Csv;
    return nombre == u"json" ? FormatoHistorial::Json : FormatoHistorial::Tabla;
}

QString FechaLocal(const QString& momento) {
    const QDateTime fecha = QDateTime::fromString(momento, Qt::ISODateWithMs);
    return fecha.isValid() ? fecha.toLocalTime().toString(TextosHistorial::FormatoFecha)
                           : TextoVisible(momento);
}

qint64 ListarHistorial(Conexion& conexion, const Historial::Filtro& filtro,
                       FormatoHistorial formato,
                       const std::function<void(const QString&)>& escribir,
                       const std::function<void(const QString&)>& avisar) {
    qint64 danadas = 0;
    const Revisar revisar = [&](const Fila& fila) {
        QStringList danados;
        QStringList valores;
        for (int i = 0; i < Historial::NumeroCampos; ++i)
            if (EsEntero(i) && !EsNumero(fila[i])) {
                danados << Historial::Columnas()[i];
                valores << TextosHistorial::ValorDanado.arg(danados.constLast(),
                                                            TextoVisible(fila[i]));
            }
        if (!danados.isEmpty()) {
            ++danadas;
            avisar(TextosHistorial::FilaDanada.arg(TextoVisible(fila[Historial::Id]),
                                                   valores.join(QStringLiteral(", "))));
        }
        return danados;
    };
    switch (formato) {
    case FormatoHistorial::Csv:
        escribir(FilaCsv(Historial::Columnas()));
        Historial::Leer(conexion, filtro, [&](const Fila& fila) {
            revisar(fila);
            escribir(FilaCsv(fila));
            return true;
        });
        break;
    case FormatoHistorial::Json:
        ListarJson(conexion, filtro, revisar, escribir);
        break;
    case FormatoHistorial::Tabla:
        ListarTabla(conexion, filtro, revisar, escribir);
        break;
    }
    return danadas;
}
