#include "platform/reporte/Plantilla.h"

#include "platform/proceso/ErrorEjecucion.h"
#include "platform/reporte/TextosReporte.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <algorithm>

namespace {

constexpr char kFormato[] = "cobranzia-plantilla";

// Raised for every fault of the file's content; `ruta` names the file.
class LectorPlantilla {
public:
    LectorPlantilla(const QString& ruta)
        : ruta_(ruta) {}

    [[noreturn]] void Fallar(const QString& motivo) const {
        throw ErrorEjecucion(ErroresReporte::PlantillaNoValida,
                             TextosReporte::PlantillaNoValida.arg(ruta_, motivo));
    }

    QJsonObject Objeto(const QJsonObject& padre, const char* clave) const {
        const QJsonValue v = padre.value(QLatin1String(clave));
        if (!v.isObject())
            Falta(clave);
        return v.toObject();
    }

    QString Texto(const QJsonObject& padre, const char* clave) const {
        const QJsonValue v = padre.value(QLatin1String(clave));
        if (!v.isString())
            Falta(clave);
        return v.toString();
    }

    qreal Numero(const QJsonObject& padre, const char* clave, qreal minimo, qreal maximo) const {
        const QJsonValue v = padre.value(QLatin1String(clave));
        if (!v.isDouble())
            Falta(clave);
        const qreal n = v.toDouble();
        if (!(n >= minimo && n <= maximo))
            Fallar(TextosReporte::PlantillaMedida.arg(QLatin1String(clave)));
        return n;
    }

    QString Nombre(const QString& nombre) const {
        static const QRegularExpression valido(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
        if (!valido.match(nombre).hasMatch())
            Fallar(TextosReporte::PlantillaNombre.arg(nombre));
        return nombre;
    }

    FuenteTexto Fuente(const QJsonObject& o) const {
        return {Texto(o, "fuente"), Numero(o, "puntos", 2, 72)};
    }

    // Every {mark} in the text must be a special mark or {@Formula} of a declared formula.
    void ComprobarMarcas(const QString& texto, const QStringList& formulas) const {
        static const QRegularExpression marca(QStringLiteral("\\{([^{}]*)\\}"));
        for (const auto& m : marca.globalMatch(texto)) {
            const QString nombre = m.captured(1);
            if (nombre.startsWith(QLatin1Char('@')) && formulas.contains(nombre.mid(1)))
                continue;
            if (std::find_if(std::begin(MarcasEspeciales), std::end(MarcasEspeciales),
                             [&](const char* e) { return nombre == QLatin1String(e); }) !=
                std::end(MarcasEspeciales))
                continue;
            Fallar(TextosReporte::PlantillaMarcador.arg(nombre));
        }
    }

private:
    [[noreturn]] void Falta(const char* clave) const {
        Fallar(TextosReporte::PlantillaFalta.arg(QLatin1String(clave)));
    }

    QString ruta_;
};

QJsonObject Raiz(const QByteArray& contenido, const LectorPlantilla& lector) {
    if (contenido.trimmed().isEmpty())
        lector.Fallar(TextosReporte::PlantillaVacia);
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(contenido, &error);
    if (error.error != QJsonParseError::NoError)
        lector.Fallar(TextosReporte::PlantillaNoJson.arg(error.offset + 1));
    if (!doc.isObject())
        lector.Fallar(TextosReporte::PlantillaNoObjeto);
    QJsonObject raiz = doc.object();
    if (raiz.value(QStringLiteral("formato")).toString() != QLatin1String(kFormato))
        lector.Fallar(TextosReporte::PlantillaFormato.arg(QLatin1String(kFormato)));
    return raiz;
}

void LeerDatos(const QJsonObject& raiz, const LectorPlantilla& lector, Plantilla& p) {
    p.origen = lector.Texto(raiz, "origen");
    const QJsonObject tablas = lector.Objeto(raiz, "tablas");
    for (auto it = tablas.begin(); it != tablas.end(); ++it) {
        if (!it.value().isString())
            lector.Fallar(TextosReporte::PlantillaFalta.arg(it.key()));
        p.tablas.insert(lector.Nombre(it.key()), lector.Nombre(it.value().toString()));
    }
    if (raiz.contains(QStringLiteral("vigencia"))) {
        const QJsonObject vigencia = lector.Objeto(raiz, "vigencia");
        p.vigencia = {lector.Nombre(lector.Texto(vigencia, "tabla")),
                      lector.Nombre(lector.Texto(vigencia, "clave")),
                      lector.Nombre(lector.Texto(vigencia, "marca"))};
    }
    const QJsonObject formulas = lector.Objeto(raiz, "formulas");
    for (auto it = formulas.begin(); it != formulas.end(); ++it) {
        if (!it.value().isString())
            lector.Fallar(TextosReporte::PlantillaFalta.arg(it.key()));
        p.formulas << lector.Nombre(it.key());
        p.textosFormulas.insert(it.key(), it.value().toString());
    }
}

void LeerPagina(const QJsonObject& raiz, const LectorPlantilla& lector, Plantilla& p) {
    const QJsonObject pagina = lector.Objeto(raiz, "pagina");
    const QString tamano = lector.Texto(pagina, "tamano");
    if (tamano == QLatin1String("A4"))
        p.tamano = QPageSize::A4;
    else if (tamano == QLatin1String("Carta"))
        p.tamano = QPageSize::Letter;
    else if (tamano == QLatin1String("Legal"))
        p.tamano = QPageSize::Legal;
    else
        lector.Fallar(TextosReporte::PlantillaTamano.arg(tamano));
    const QString orientacion = lector.Texto(pagina, "orientacion");
    if (orientacion == QLatin1String("vertical"))
        p.orientacion = QPageLayout::Portrait;
    else if (orientacion == QLatin1String("horizontal"))
        p.orientacion = QPageLayout::Landscape;
    else
        lector.Fallar(TextosReporte::PlantillaOrientacion.arg(orientacion));
    const QJsonObject m = lector.Objeto(pagina, "margenes_mm");
    p.margenesMm =
        QMarginsF(lector.Numero(m, "izquierdo", 0, 80), lector.Numero(m, "superior", 0, 80),
                  lector.Numero(m, "derecho", 0, 80), lector.Numero(m, "inferior", 0, 80));
}

void LeerSecciones(const QJsonObject& raiz, const LectorPlantilla& lector, Plantilla& p) {
    const QJsonObject encabezado = lector.Objeto(raiz, "encabezado");
    const QJsonObject titulo = lector.Objeto(encabezado, "titulo");
    p.titulo = lector.Texto(titulo, "texto");
    p.fuenteTitulo = lector.Fuente(titulo);
    p.fuenteEncabezado = lector.Fuente(encabezado);
    const QJsonValue lineas = encabezado.value(QStringLiteral("lineas"));
    if (!lineas.isArray())
        lector.Fallar(TextosReporte::PlantillaFalta.arg(QLatin1String("lineas")));
    for (const QJsonValue linea : lineas.toArray()) {
        if (!linea.isString())
            lector.Fallar(TextosReporte::PlantillaFalta.arg(QLatin1String("lineas")));
        p.encabezado << linea.toString();
    }

    const QJsonObject detalle = lector.Objeto(raiz, "detalle");
    const QStringList campo = lector.Texto(detalle, "campo").split(QLatin1Char('.'));
    if (campo.size() != 2)
        lector.Fallar(TextosReporte::PlantillaNombre.arg(campo.join('.')));
    p.tablaDetalle = lector.Nombre(campo[0]);
    p.campoDetalle = lector.Nombre(campo[1]);
    p.fuenteDetalle = lector.Fuente(detalle);
    p.interlineado = lector.Numero(detalle, "interlineado", 1, 3);

    const QJsonObject pie = lector.Objeto(raiz, "pie");
    p.pie = lector.Texto(pie, "texto");
    p.fuentePie = lector.Fuente(pie);
    p.cierre = lector.Texto(lector.Objeto(raiz, "cierre"), "texto");

    for (const QString& texto : QStringList{p.titulo, p.pie, p.cierre} + p.encabezado)
        lector.ComprobarMarcas(texto, p.formulas);
}

} // namespace

Plantilla LeerPlantillaDeTexto(const QByteArray& contenido, const QString& ruta) {
    const LectorPlantilla lector(ruta);
    const QJsonObject raiz = Raiz(contenido, lector);
    Plantilla p;
    p.ruta = ruta;
    LeerDatos(raiz, lector, p);
    LeerPagina(raiz, lector, p);
    LeerSecciones(raiz, lector, p);
    return p;
}

Plantilla LeerPlantilla(const QString& ruta) {
    const QFileInfo info(ruta);
    if (!info.exists())
        throw ErrorEjecucion(ErroresReporte::ArchivoReporte,
                             TextosReporte::ArchivoNoEncontrado.arg(ruta));
    // A folder, a pipe or a device is no template; opening a pipe would wait.
    if (!info.isFile())
        throw ErrorEjecucion(ErroresReporte::ArchivoReporte,
                             TextosReporte::ArchivoNoLegible.arg(ruta, TextosReporte::NoEsArchivo));
    QFile archivo(ruta);
    if (!archivo.open(QIODevice::ReadOnly))
        throw ErrorEjecucion(
            ErroresReporte::ArchivoReporte,
            TextosReporte::ArchivoNoLegible.arg(
                ruta, DescripcionError(archivo.error() == QFileDevice::PermissionsError
                                           ? Errores::PermisoDenegado
                                           : Errores::AccesoRuta)));
    // A template is a few kilobytes; anything far larger is not one.
    constexpr qint64 kTamanoMaximo = 1 << 20;
    const QByteArray contenido = archivo.read(kTamanoMaximo + 1);
    if (contenido.size() > kTamanoMaximo)
        LectorPlantilla(ruta).Fallar(TextosReporte::PlantillaGrande);
    return LeerPlantillaDeTexto(contenido, ruta);
}
