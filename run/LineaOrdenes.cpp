#include "run/LineaOrdenes.h"

#include <QHash>
#include <QRegularExpression>

#include <optional>
#include <set>

namespace {

// Qt's own options and whether each takes a value, for both -name and --name.
const QHash<QString, bool>& OpcionesQt() {
    static const QHash<QString, bool> opciones = {
        {QStringLiteral("platform"), true},
        {QStringLiteral("platformpluginpath"), true},
        {QStringLiteral("platformtheme"), true},
        {QStringLiteral("plugin"), true},
        {QStringLiteral("qwindowgeometry"), true},
        {QStringLiteral("geometry"), true},
        {QStringLiteral("qwindowicon"), true},
        {QStringLiteral("icon"), true},
        {QStringLiteral("qwindowtitle"), true},
        {QStringLiteral("title"), true},
        {QStringLiteral("session"), true},
        {QStringLiteral("display"), true},
        {QStringLiteral("name"), true},
        {QStringLiteral("style"), true},
        {QStringLiteral("stylesheet"), true},
        {QStringLiteral("qmljsdebugger"), true},
        {QStringLiteral("visual"), true},
        {QStringLiteral("ncols"), true},
        {QStringLiteral("reverse"), false},
        {QStringLiteral("widgetcount"), false},
        {QStringLiteral("testability"), false},
        {QStringLiteral("nograb"), false},
        {QStringLiteral("dograb"), false},
        {QStringLiteral("sync"), false},
        {QStringLiteral("cmap"), false},
    };
    return opciones;
}

class Lector {
public:
    explicit Lector(const QStringList& argumentos)
        : args_(argumentos) {}

    LineaOrdenes Leer() {
        while (i_ < args_.size() && linea_.modo != LineaOrdenes::Modo::MalUso)
            Siguiente();
        if (linea_.modo == LineaOrdenes::Modo::MalUso)
            return linea_;
        if (esQt_ && linea_.modo != LineaOrdenes::Modo::Ventana)
            return MalUso(TextosLinea::QtSoloVentana);
        if (linea_.conListado && linea_.modo != LineaOrdenes::Modo::Procesar)
            return MalUso(TextosLinea::ListadoSinProcesar);
        if (linea_.conListado && linea_.listado.isEmpty())
            return MalUso(TextosLinea::ListadoSinNombre);
        if (const QString motivo = MotivoHistorial(); !motivo.isEmpty())
            return MalUso(motivo);
        // Empty is never "not given": it would fall back to another database.
        if (linea_.modo == LineaOrdenes::Modo::Ayuda || linea_.modo == LineaOrdenes::Modo::Version)
            return linea_;
        if (const QString vacia = Vacia(); !vacia.isEmpty())
            return MalUso(TextosLinea::Vacia.arg(vacia));
        return linea_;
    }

private:
    // Why --historial's options make a bad call, or an empty text.
    QString MotivoHistorial() const {
        static const QStringList formatos = {QStringLiteral("tabla"), QStringLiteral("csv"),
                                             QStringLiteral("json")};
        if (!soloHistorial_.isEmpty() && linea_.modo != LineaOrdenes::Modo::Historial)
            return TextosLinea::SoloHistorial.arg(soloHistorial_);
        if (!formatos.contains(linea_.formato))
            return TextosLinea::NoEsFormato.arg(linea_.formato);
        if (linea_.comprobar && (!linea_.archivo.isNull() || conFormato_ ||
                                 linea_.desde.isValid() || linea_.hasta.isValid()))
            return TextosLinea::ComprobarSolo;
        // An empty name would list every file's runs.
        if (linea_.modo == LineaOrdenes::Modo::Historial && !linea_.archivo.isNull() &&
            linea_.archivo.isEmpty())
            return TextosLinea::HistorialVacio;
        if (linea_.desde.isValid() && linea_.hasta.isValid() && linea_.desde > linea_.hasta)
            return TextosLinea::DesdeTrasHasta;
        return QString();
    }

    // The option or variable that is given but empty, or an empty text.
    QString Vacia() const {
        if (!vacia_.isEmpty())
            return vacia_;
        for (const char* variable : {"COBRANZIA_DATOS", "COBRANZIA_SERVIDOR"})
            if (qEnvironmentVariableIsSet(variable) &&
                qEnvironmentVariable(variable).trimmed().isEmpty())
                return QString::fromLatin1(variable);
        return QString();
    }

    void Siguiente() {
        QString arg = args_.at(i_++);
        if (arg == u"--" && !finOpciones_) {
            finOpciones_ = true;
            return;
        }
        if (finOpciones_) {
            Posicional(arg);
            return;
        }
        // --name=value gives its value in the same argument.
        std::optional<QString> valor;
        if (arg.startsWith(u"--") && arg.contains(u'=')) {
            valor = arg.mid(arg.indexOf(u'=') + 1);
            arg = arg.left(arg.indexOf(u'='));
        }
        Opcion(arg, valor);
    }

    void Opcion(const QString& arg, std::optional<QString>& valor) {
        static const QStringList sinValor = {QStringLiteral("--historial"),
                                             QStringLiteral("--comprobar"),
                                             QStringLiteral("--help"), QStringLiteral("--version")};
        // Last-wins would hide which of two values was meant.
        const QString nombre = arg == u"-h" ? QStringLiteral("--help") : arg;
        if (nombre.startsWith(u"--") && !dadas_.insert(nombre).second) {
            MalUso(TextosLinea::Repetida.arg(arg));
            return;
        }
        if (valor && sinValor.contains(nombre)) {
            MalUso(TextosLinea::SinValor.arg(arg));
            return;
        }
        if (OpcionHistorial(arg, valor))
            return;
        if (arg == u"--procesar") {
            if (Modo(LineaOrdenes::Modo::Procesar) && Tomar(arg, TextosLinea::UnArchivo, valor))
                linea_.archivo = *valor;
        } else if (arg == u"--verificar") {
            if (Modo(LineaOrdenes::Modo::Verificar) && Tomar(arg, TextosLinea::UnCodigo, valor))
                Verificar(*valor);
        } else if (arg == u"--listado") {
            if (Tomar(arg, TextosLinea::UnaSalida, valor)) {
                linea_.listado = *valor;
                linea_.conListado = true;
            }
        } else if (arg == u"--datos") {
            if (Tomar(arg, TextosLinea::UnaCarpeta, valor))
                Dar(linea_.datos, arg, *valor);
        } else if (arg == u"--servidor") {
            if (Tomar(arg, TextosLinea::UnaCadena, valor))
                Dar(linea_.servidor, arg, *valor);
        } else if (arg == u"--help" || arg == u"-h") {
            Modo(LineaOrdenes::Modo::Ayuda);
        } else if (arg == u"--version") {
            Modo(LineaOrdenes::Modo::Version);
        } else if (arg.startsWith(u'-') && arg.size() > 1) {
            OpcionQt(arg, valor.has_value());
        } else {
            Posicional(arg);
        }
    }

    // --historial and the options that only go with it; false for any other.
    bool OpcionHistorial(const QString& arg, std::optional<QString>& valor) {
        if (arg == u"--historial") {
            Modo(LineaOrdenes::Modo::Historial);
        } else if (arg == u"--formato") {
            soloHistorial_ = arg;
            conFormato_ = true;
            if (Tomar(arg, TextosLinea::UnFormato, valor))
                linea_.formato = *valor;
        } else if (arg == u"--desde" || arg == u"--hasta") {
            soloHistorial_ = arg;
            if (Tomar(arg, TextosLinea::UnaFecha, valor))
                Fecha(arg, *valor);
        } else if (arg == u"--comprobar") {
            soloHistorial_ = arg;
            linea_.comprobar = true;
        } else {
            return false;
        }
        return true;
    }

    // A local day, as year first or as day first; the year in four digits,
    // never a sign: the date parser would take "-2026" as a year before Christ.
    void Fecha(const QString& arg, const QString& valor) {
        static const QRegularExpression forma(
            QStringLiteral("^([0-9]{4}-[0-9]{2}-[0-9]{2}|[0-9]{1,2}/[0-9]{1,2}/[0-9]{4})$"));
        const QString texto = valor.trimmed();
        QDate fecha;
        if (forma.match(texto).hasMatch())
            fecha = texto.contains(u'/') ? QDate::fromString(texto, QStringLiteral("d/M/yyyy"))
                                         : QDate::fromString(texto, QStringLiteral("yyyy-MM-dd"));
        if (!fecha.isValid() || fecha.year() < 1)
            MalUso(TextosLinea::NoEsFecha.arg(arg, valor));
        (arg == u"--desde" ? linea_.desde : linea_.hasta) = fecha;
    }

    // The option's value, from its own argument or the next one.
    bool Tomar(const QString& arg, const QString& que, std::optional<QString>& valor) {
        if (valor)
            return true;
        if (i_ >= args_.size()) {
            MalUso(TextosLinea::Necesita.arg(arg, que));
            return false;
        }
        valor = args_.at(i_++);
        return true;
    }

    // --verificar's code, then its file.
    void Verificar(const QString& codigo) {
        linea_.codigo = codigo;
        if (i_ >= args_.size()) {
            MalUso(TextosLinea::VerificarIncompleto);
            return;
        }
        linea_.archivo = args_.at(i_++);
    }

    void Dar(QString& opcion, const QString& nombre, const QString& valor) {
        opcion = valor;
        if (valor.trimmed().isEmpty())
            vacia_ = nombre;
    }

    // The window's or the history's file; anything more is one argument too many.
    void Posicional(const QString& arg) {
        if (linea_.archivo.isNull() && (linea_.modo == LineaOrdenes::Modo::Ventana ||
                                        linea_.modo == LineaOrdenes::Modo::Historial))
            linea_.archivo = arg;
        else
            MalUso(TextosLinea::Sobra.arg(arg));
    }

    // Options of Qt's are the window's; their values are not the file.
    void OpcionQt(const QString& arg, bool conValor) {
        const QString nombre = arg.mid(arg.startsWith(u"--") ? 2 : 1).section(u'=', 0, 0);
        const auto opcion = OpcionesQt().constFind(nombre);
        if (opcion == OpcionesQt().constEnd()) {
            MalUso(TextosLinea::Desconocida.arg(arg));
            return;
        }
        esQt_ = true;
        if (opcion.value() && !conValor && !arg.contains(u'='))
            ++i_;
    }

    bool Modo(LineaOrdenes::Modo modo) {
        if (linea_.modo != LineaOrdenes::Modo::Ventana || !linea_.archivo.isNull()) {
            MalUso(TextosLinea::Incompatibles);
            return false;
        }
        linea_.modo = modo;
        return true;
    }

    LineaOrdenes MalUso(const QString& motivo) {
        linea_.modo = LineaOrdenes::Modo::MalUso;
        linea_.error = motivo;
        return linea_;
    }

    const QStringList& args_;
    qsizetype i_ = 0;
    bool esQt_ = false;
    bool finOpciones_ = false;
    std::set<QString> dadas_; // the program's options given so far
    QString vacia_;           // the option given with an empty value
    QString soloHistorial_;   // the last option given that only goes with --historial
    bool conFormato_ = false;
    LineaOrdenes linea_;
};

} // namespace

LineaOrdenes LeerLineaOrdenes(const QStringList& argumentos) {
    return Lector(argumentos).Leer();
}
