#include "platform/base/CopiaPostgres.h"

#include "platform/base/ErroresBase.h"
#include "platform/proceso/ErrorEjecucion.h"

#include <QRegularExpression>

#include <libpq-fe.h>

namespace {

// libpq sends in blocks of about this size; fewer, larger messages cost less.
constexpr qsizetype kBloque = qsizetype(256) * 1024;

bool EsNombreSimple(const QString& nombre) {
    static const QRegularExpression patron(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return patron.match(nombre).hasMatch();
}

void Escapar(QStringView valor, QByteArray& destino) {
    const QByteArray utf8 = valor.toUtf8();
    for (const char c : utf8) {
        switch (c) {
        case '\\':
            destino += "\\\\";
            break;
        case '\t':
            destino += "\\t";
            break;
        case '\n':
            destino += "\\n";
            break;
        case '\r':
            destino += "\\r";
            break;
        default:
            destino += c;
        }
    }
}

} // namespace

bool ReconocerInsercion(const QString& forma, FormaCopia& copia) {
    static const QRegularExpression patron(
        QStringLiteral("^\\s*INSERT\\s+INTO\\s+(\\w+)\\s*\\(([^()]*)\\)\\s*VALUES\\s*\\(([^()]*)"
                       "\\)\\s*;?\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = patron.match(forma);
    if (!m.hasMatch() || !EsNombreSimple(m.captured(1)))
        return false;
    const QStringList columnas = m.captured(2).split(u',');
    const QStringList valores = m.captured(3).split(u',');
    if (columnas.size() != valores.size())
        return false;
    copia.columnas.clear();
    int literal = 0;
    for (qsizetype i = 0; i < columnas.size(); ++i) {
        const QString valor = valores[i].trimmed();
        if (!EsNombreSimple(columnas[i].trimmed()))
            return false;
        if (valor == u'?')
            copia.columnas.append(literal++);
        else if (valor.compare(QLatin1String("Null"), Qt::CaseInsensitive) == 0)
            copia.columnas.append(-1);
        else
            return false;
    }
    copia.comando = QStringLiteral("COPY %1 (%2) FROM STDIN")
                        .arg(m.captured(1), m.captured(2).simplified())
                        .toUtf8();
    return true;
}

void CopiaPostgres::Iniciar(pg_conn* conexion, const EsperaPostgres& espera,
                            const FormaCopia& forma) {
    ResultadoPostgres r;
    if (PQsendQuery(conexion, forma.comando.constData())) {
        EsperarServidor(conexion, espera, true);
        r.reset(PQgetResult(conexion));
    }
    if (PQresultStatus(r.get()) != PGRES_COPY_IN)
        throw ErrorPostgres(conexion, r.get());
    conexion_ = conexion;
    espera_ = &espera;
    comando_ = forma.comando;
    bloque_.clear();
    bloque_.reserve(kBloque + 4096);
}

void CopiaPostgres::Agregar(const FormaCopia& forma,
                            const QVarLengthArray<QStringView, 4>& literales) {
    for (qsizetype i = 0; i < forma.columnas.size(); ++i) {
        if (i > 0)
            bloque_ += '\t';
        const int literal = forma.columnas[i];
        if (literal < 0)
            bloque_ += "\\N";
        else
            Escapar(literales.value(literal), bloque_);
    }
    bloque_ += '\n';
    if (bloque_.size() >= kBloque)
        Enviar();
}

void CopiaPostgres::Enviar() {
    if (bloque_.isEmpty())
        return;
    // Fails once the server has refused a row or the connection broke.
    int puesto;
    while ((puesto = PQputCopyData(conexion_, bloque_.constData(), int(bloque_.size()))) == 0)
        Vaciar();
    if (puesto != 1)
        Fallar(Resultados().get());
    bloque_.clear();
    // libpq would otherwise hold every block that a stalled server does not take.
    Vaciar();
}

void CopiaPostgres::Vaciar() {
    try {
        EsperarServidor(conexion_, *espera_, false);
    } catch (...) {
        Olvidar();
        throw;
    }
}

void CopiaPostgres::Terminar() {
    if (!Activa())
        return;
    Enviar();
    int puesto;
    while ((puesto = PQputCopyEnd(conexion_, nullptr)) == 0)
        Vaciar();
    if (puesto != 1)
        Fallar(Resultados().get());
    if (const ResultadoPostgres fallido = Resultados())
        Fallar(fallido.get());
    Olvidar();
}

void CopiaPostgres::Cancelar() {
    if (!Activa())
        return;
    try {
        while (PQputCopyEnd(conexion_, "cancelada") == 0)
            EsperarServidor(conexion_, *espera_, false);
        Resultados();
    } catch (const ErrorEjecucion&) {
        // The connection is shut: the server drops the COPY with it.
    }
    Olvidar();
}

ResultadoPostgres CopiaPostgres::Resultados() {
    pg_conn* conexion = conexion_;
    ResultadoPostgres fallido;
    for (;;) {
        try {
            EsperarServidor(conexion, *espera_, true);
        } catch (...) {
            Olvidar();
            throw;
        }
        ResultadoPostgres r(PQgetResult(conexion));
        if (!r)
            break;
        const ExecStatusType estado = PQresultStatus(r.get());
        // Still copying: the server has not refused anything, so end it here.
        if (estado == PGRES_COPY_IN && PQputCopyEnd(conexion, "cancelada") != 1)
            break;
        if (!fallido && estado != PGRES_COMMAND_OK && estado != PGRES_COPY_IN)
            fallido = std::move(r);
    }
    return fallido;
}

void CopiaPostgres::Fallar(const pg_result* fallido) {
    const ErrorEjecucion error = ErrorPostgres(conexion_, fallido);
    Olvidar();
    throw error;
}

void CopiaPostgres::Olvidar() {
    conexion_ = nullptr;
    espera_ = nullptr;
    comando_.clear();
    bloque_.clear();
}
