#include "tests/comun/Entorno.h"

#include "platform/base/BaseDatos.h"
#include "platform/odbc/InstaladorOdbc.h"
#include "platform/proceso/ArchivosPrograma.h"
#include "platform/proceso/Rutas.h"
#include "run/Programa.h"

#include <QDir>
#include <QFile>
#include <QMetaMethod>
#include <QProcess>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTest>
#include <QThread>

#include <libpq-fe.h>
#include <odbcinst.h>
#include <sqlite3.h>

#include <pwd.h>
#include <unistd.h>

// A stored text as it is: QString::fromUtf8 would drop a leading U+FEFF.
static QString Texto(QByteArrayView bytes) {
    return QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom)(bytes);
}

QStringList SqlServidor(const QString& sql, const QStringList& valores, const QString& cadena) {
    PGconn* c = PQconnectdb(
        (cadena.isEmpty() ? qEnvironmentVariable("PRUEBA_SERVIDOR") : cadena).toUtf8().constData());
    PQsetNoticeProcessor(
        c, [](void*, const char*) {}, nullptr);
    QList<QByteArray> utf8;
    std::vector<const char*> punteros;
    for (const QString& v : valores)
        utf8 << v.toUtf8();
    for (const QByteArray& v : utf8)
        punteros.push_back(v.constData());
    // Without values, a script of several statements.
    PGresult* r = valores.isEmpty()
                      ? PQexec(c, sql.toUtf8().constData())
                      : PQexecParams(c, sql.toUtf8().constData(), int(punteros.size()), nullptr,
                                     punteros.data(), nullptr, nullptr, 0);
    QStringList filas;
    if (PQresultStatus(r) != PGRES_TUPLES_OK && PQresultStatus(r) != PGRES_COMMAND_OK)
        filas << QString::fromUtf8(PQerrorMessage(c));
    for (int i = 0; i < PQntuples(r); ++i)
        filas << (PQgetisnull(r, i, 0) ? QStringLiteral("<null>") : Texto(PQgetvalue(r, i, 0)));
    PQclear(r);
    PQfinish(c);
    return filas;
}

CarpetaPrueba::CarpetaPrueba(bool conBase) {
    if (!dir_.isValid())
        qFatal("no se pudo crear la carpeta temporal");
    const QDir construida(CarpetaProgramaConstruida());
    for (const QString& nombre : {QStringLiteral("libmd5.so"), QStringLiteral("Cobranzia.rpt")})
        QFile::copy(construida.filePath(nombre), dir_.filePath(nombre));
    bool creada = false;
    QString error;
    if (conBase && !CrearBaseDatos(Base(), ArchivosPrograma::ContrasenaBase, &creada, &error))
        qFatal("No se pudo crear la base de prueba: %s", qPrintable(error));
}

std::unique_ptr<Programa> CarpetaPrueba::NuevoPrograma(bool abrir) const {
    auto programa = std::make_unique<Programa>(Ruta(), Ruta());
    if (EnServidor())
        programa->ElegirServidor(qEnvironmentVariable("PRUEBA_SERVIDOR"), QString());
    if (abrir) {
        programa->AbrirConexion();
        if (EnServidor())
            SqlServidor(QStringLiteral("TRUNCATE Datos, Corridas, Historial"));
    }
    return programa;
}

QString CarpetaPrueba::Escribir(const QString& nombre, const QByteArray& contenido) const {
    const QString ruta = dir_.filePath(nombre);
    QFile archivo(ruta);
    if (!archivo.open(QIODevice::WriteOnly) || archivo.write(contenido) != contenido.size())
        qFatal("No se pudo escribir %s", qPrintable(ruta));
    return ruta;
}

QString CarpetaPrueba::CopiarEjecutable() const {
    const QString destino = Archivo(QStringLiteral("cobranzia"));
    if (!QFile::copy(CarpetaProgramaConstruida() + QStringLiteral("/cobranzia"), destino) ||
        !QFile::setPermissions(destino, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        qFatal("No se pudo copiar el programa a %s", qPrintable(destino));
    return destino;
}

Salida CarpetaPrueba::Correr(const QStringList& argumentos,
                             const QProcessEnvironment& entorno) const {
    return Ejecutar(Archivo(QStringLiteral("cobranzia")), argumentos,
                    entorno.isEmpty() ? QProcessEnvironment::systemEnvironment() : entorno);
}

RegistroMensajes::RegistroMensajes() {
    anterior_ = EstablecerPresentadorMensajes([this](const QString& texto, IconoMensaje icono) {
        textos_ << texto;
        iconos_ << icono;
    });
}

Salida Ejecutar(const QString& programa, const QStringList& argumentos,
                const QProcessEnvironment& entorno) {
    QProcess proceso;
    proceso.setProcessEnvironment(entorno);
    proceso.start(programa, argumentos);
    Salida s;
    if (!proceso.waitForFinished(120000)) {
        proceso.kill();
        proceso.waitForFinished();
        return s;
    }
    s.estado = proceso.exitStatus() == QProcess::NormalExit ? proceso.exitCode() : -1;
    s.salida = QString::fromUtf8(proceso.readAllStandardOutput());
    s.errores = QString::fromUtf8(proceso.readAllStandardError());
    return s;
}

UsuarioPrueba::UsuarioPrueba()
    : nombre_(QStringLiteral("cobprueba%1").arg(QCoreApplication::applicationPid())) {
    // Tests beside this one may hold the password file's lock for a moment.
    for (int vez = 0; vez < 50 && geteuid() == 0 && uid_ < 0; ++vez) {
        if (::Ejecutar(QStringLiteral("useradd"), {"-M", "-d", "/nonexistent", nombre_}).estado ==
            0)
            uid_ = int(getpwnam(qPrintable(nombre_))->pw_uid);
        else
            QThread::msleep(100);
    }
}

UsuarioPrueba::~UsuarioPrueba() {
    for (int vez = 0; vez < 50 && uid_ >= 0 && ::Ejecutar("userdel", {nombre_}).estado != 0; ++vez)
        QThread::msleep(100);
}

ErrorEjecucion ErrorDe(const std::function<void()>& paso) {
    try {
        paso();
    } catch (const ErrorEjecucion& e) {
        return e;
    }
    return ErrorEjecucion(0, QString());
}

QStringList ConsultarBase(const QString& base, const QString& sql, const QStringList& valores) {
    if (EnServidor())
        return SqlServidor(sql, valores);
    sqlite3* db = nullptr;
    // Read-write, so that a journal left by a killed run is rolled back first.
    sqlite3_open_v2(RutaABytes(base).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_busy_timeout(db, 5000);
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK)
        qFatal("Consulta de prueba inválida: %s", sqlite3_errmsg(db));
    for (int i = 0; i < valores.size(); ++i) {
        const QByteArray valor = valores[i].toUtf8();
        sqlite3_bind_text(st, i + 1, valor.constData(), int(valor.size()), SQLITE_TRANSIENT);
    }
    QStringList filas;
    int paso = 0;
    while ((paso = sqlite3_step(st)) == SQLITE_ROW)
        filas << (sqlite3_column_type(st, 0) == SQLITE_NULL
                      ? QStringLiteral("<null>")
                      : Texto(QByteArrayView(sqlite3_column_text(st, 0),
                                             sqlite3_column_bytes(st, 0))));
    if (paso != SQLITE_DONE)
        qFatal("Consulta de prueba fallida: %s", sqlite3_errmsg(db));
    sqlite3_finalize(st);
    sqlite3_close(db);
    return filas;
}

QStringList FilasGuardadas(const QString& base, const QString& archivo) {
    return ConsultarBase(
        base,
        QStringLiteral("SELECT t_datos FROM Datos WHERE t_archivo = $1 ORDER BY ") +
            QLatin1String(EnServidor() ? "id" : "rowid"),
        {archivo});
}

void GuardarFilas(const QString& base, const QString& archivo, const QStringList& filas) {
    for (const QString& fila : filas)
        ConsultarBase(base,
                      QStringLiteral("INSERT INTO Datos (t_datos, t_archivo) VALUES ($1, $2)"),
                      {fila, archivo});
}

void OlvidarCacheOdbc() {
    const QByteArray otro = QFile::encodeName(ArchivoOdbcIni() + QStringLiteral(".cache"));
    SQLWritePrivateProfileString("Cache", nullptr, nullptr, otro.constData());
}

QString DbqRegistrado() {
    OlvidarCacheOdbc();
    const Odbc::ValorDsn leido =
        Odbc::LeerValorDsn(QStringLiteral("Cobranzia"), QStringLiteral("DBQ"));
    return leido.existe ? leido.valor : QStringLiteral("<ausente>");
}

QStringList LineasPdf(const QString& ruta) {
    const Salida texto = Ejecutar(QStringLiteral("pdftotext"), {"-layout", ruta, "-"});
    if (texto.estado != 0)
        qFatal("pdftotext falló con %s", qPrintable(ruta));
    QStringList lineas;
    for (const QString& linea : texto.salida.split(u'\n'))
        if (!linea.trimmed().isEmpty())
            lineas << linea.trimmed();
    return lineas;
}

QByteArray Lote(int lineas, char marca) {
    QByteArray texto = "H20261201\r\n";
    for (int i = 0; i < lineas; ++i)
        texto +=
            marca + QByteArray::number(i).rightJustified(8, '0') + QByteArray(50, 'x') + "\r\n";
    return texto + "T\r\n";
}

void ListadosALaVez(const QString (&programas)[2], const QStringList (&argumentos)[2],
                    const int (&lineas)[2], bool reemplazo) {
    QProcess procesos[2];
    for (int i = 0; i < 2; ++i)
        procesos[i].start(programas[i], argumentos[i]);
    int listados = 0;
    for (int i = 0; i < 2; ++i) {
        QVERIFY(procesos[i].waitForFinished(60000));
        const QString errores = QString::fromUtf8(procesos[i].readAllStandardError());
        if (procesos[i].exitCode() != 0) {
            QVERIFY2(reemplazo && errores.contains(QStringLiteral("reemplazó")),
                     qPrintable(errores));
            continue;
        }
        ++listados;
        const QString codigo = QString::fromUtf8(procesos[i].readAllStandardOutput()).trimmed();
        const QStringList leidas =
            LineasPdf(argumentos[i].value(argumentos[i].indexOf(QStringLiteral("--listado")) + 1));
        QVERIFY(leidas.contains(QStringLiteral("Código de control: ") + codigo));
        QVERIFY(leidas.contains(QStringLiteral("Filas listadas: %1").arg(lineas[i])));
        const QChar otra(u'B' - i);
        for (const QString& linea : leidas)
            QVERIFY2(!linea.startsWith(otra) || !linea.endsWith(u'x'), qPrintable(linea));
    }
    QVERIFY(listados > 0);
}

int EjecutarPruebas(QObject& prueba, int argc, char** argv) {
    const QString programa = QString::fromLocal8Bit(argv[0]);
    if (argc > 1)
        return QTest::qExec(&prueba, argc, argv);
    QStringList funciones;
    const QMetaObject& meta = *prueba.metaObject();
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
        const QMetaMethod m = meta.method(i);
        const QString nombre = QString::fromLatin1(m.name());
        if (m.methodType() == QMetaMethod::Slot && m.access() == QMetaMethod::Private &&
            m.parameterCount() == 0 && !nombre.endsWith(u"_data") &&
            !QStringList{"initTestCase", "cleanupTestCase", "init", "cleanup"}.contains(nombre))
            funciones << nombre;
    }
    const QTemporaryDir dir;
    const QString registro = dir.filePath(QStringLiteral("registro.txt"));
    int fallos = 0;
    while (true) {
        try {
            return fallos + QTest::qExec(&prueba, QStringList{programa, "-o", registro + ",txt",
                                                              "-o", "-,txt"} +
                                                      funciones);
        } catch (...) {
            // QtTest has failed the function that threw, and stopped.
            ++fallos;
            QFile archivo(registro);
            static const QRegularExpression fallida(
                QStringLiteral("FAIL!  : \\w+::(\\w+)\\(.*\\) Caught unhandled exception"));
            const QString texto =
                archivo.open(QIODevice::ReadOnly) ? QString::fromUtf8(archivo.readAll()) : "";
            const qsizetype despues = funciones.indexOf(fallida.match(texto).captured(1));
            if (despues < 0 || despues + 1 == funciones.size())
                return fallos;
            funciones = funciones.mid(despues + 1);
        }
    }
}
