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

// A CSV field, quoted and its quotes doubled when it holds any of ",\"\r\n".
QString CampoCsv(const QString& texto) {
    static const QRegularExpression especial(QStringLiteral("[\",\r\n]"));
    if (!texto.contains(especial))
        return texto;
    return u'"' % QString(texto).replace(u'"', QStringLiteral("\"\"")) % u'"';
}

QString FilaCsv(const QStringList& campos) {
    QStringList citados;
    for (const QString& campo : campos)
        citados << CampoCsv(campo);
    return citados.join(u',') % QStringLiteral("\r\n");
}

// A JSON string: quotes, backslashes and control characters escaped, the
// rest as it is (the history holds no lone surrogates: names are stored legible).
QString CadenaJson(const QString& texto) {
    QString cadena(u'"');
    for (const QChar c : texto) {
        if (c == u'"' || c == u'\\')
            cadena += u'\\' % c;
        else if (c.unicode() < 0x20)
            cadena += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QChar(u'0'));
        else
            cadena += c;
    }
    return cadena % u'"';
}

// One object, its members in column order.
QString ObjetoJson(const Fila& fila) {
    QStringList miembros;
    for (int i = 0; i < Historial::NumeroCampos; ++i)
        miembros << CadenaJson(Historial::Columnas()[i]) % u':' %
                        (EsEntero(i) ? QString::number(fila[i].toLongLong()) : CadenaJson(fila[i]));
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
    if (fila[Historial::Resultado] == Historial::Completada)
        return fila[Historial::Resultado];
    QString error = TextoVisible(fila[Historial::ErrorDescripcion]);
    if (error.size() > kLargoError)
        error = error.left(kLargoError - 1) % u'…';
    return TextosHistorial::ConError.arg(fila[Historial::Resultado], fila[Historial::ErrorNumero],
                                         error);
}

QStringList Celdas(const Fila& fila) {
    return {FechaLocal(fila[Historial::Inicio]),
            TextoVisible(fila[Historial::Archivo]),
            fila[Historial::Codigo],
            TextoCantidad(fila[Historial::Filas].toLongLong()),
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

void ListarTabla(Conexion& conexion, const Historial::Filtro& filtro,
                 const std::function<void(const QString&)>& escribir) {
    QList<QStringList> pagina{Titulos()};
    QList<int> anchos;
    const auto vaciarPagina = [&] {
        anchos = Anchos(pagina);
        for (const QStringList& celdas : pagina)
            escribir(LineaTabla(anchos, celdas));
    };
    Historial::Leer(conexion, filtro, [&](const Fila& fila) {
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

void ListarJson(Conexion& conexion, const Historial::Filtro& filtro,
                const std::function<void(const QString&)>& escribir) {
    QString separador = QStringLiteral("[\n");
    Historial::Leer(conexion, filtro, [&](const Fila& fila) {
        escribir(separador % ObjetoJson(fila));
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
    return QDateTime::fromString(momento, Qt::ISODateWithMs)
        .toLocalTime()
        .toString(TextosHistorial::FormatoFecha);
}

void ListarHistorial(Conexion& conexion, const Historial::Filtro& filtro, FormatoHistorial formato,
                     const std::function<void(const QString&)>& escribir) {
    switch (formato) {
    case FormatoHistorial::Csv:
        escribir(FilaCsv(Historial::Columnas()));
        Historial::Leer(conexion, filtro, [&](const Fila& fila) {
            escribir(FilaCsv(fila));
            return true;
        });
        return;
    case FormatoHistorial::Json:
        ListarJson(conexion, filtro, escribir);
        return;
    case FormatoHistorial::Tabla:
        ListarTabla(conexion, filtro, escribir);
        return;
    }
}
