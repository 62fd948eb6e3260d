// The data-source registrar: every decision for requests 1 and 3 against the
// user's ODBC settings file, the reasons it gives, its lock, and four programs
// and another writer at once.

#include "dsn/CDSN.h"
#include "platform/archivos/ArchivoIni.h"
#include "platform/odbc/InstaladorOdbc.h"
#include "platform/odbc/OdbcSqlite.h"
#include "platform/proceso/CerrojoArchivo.h"
#include "platform/proceso/ErrorEjecucion.h"
#include "tests/comun/Entorno.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <optional>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kAusente = "<ausente>";
const QString kEsperada = "<esperada>";
// Another data source of the user's, in a layout of its own that must stay as it is.
const QByteArray kOtra = "; mis fuentes\n[Otra]\r\nDriver = SQLite3\nDatabase=/otra.db   \n\n";

QByteArray Contenido(const QString& ruta = ArchivoOdbcIni()) {
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Lays out the user's settings file with one section for "Cobranzia", whose
// DBQ the state names.
void EscribirOdbcIni(const QString& estado, const QString& esperada) {
    const QHash<QString, QByteArray> dbq{
        {"sin DBQ", ""},
        {"sin DBQ, otra detrás", "[Tras]\nDatabase=/tras.db\n"},
        {"DBQ largo", "DBQ=/" + QByteArray(1100, 'x') + "\n"},
        {"DBQ igual", "DBQ=" + esperada.toUtf8() + "\n"},
        {"DBQ otra carpeta", "DBQ=/otra/carpeta/Cobranzia.mdb\n"},
        {"DBQ otra caja", "DBQ=" + esperada.toUpper().toUtf8() + "\n"}};
    QFile archivo(ArchivoOdbcIni());
    QVERIFY(archivo.open(QIODevice::WriteOnly | QIODevice::Truncate));
    archivo.write(kOtra);
    if (dbq.contains(estado))
        archivo.write("[Cobranzia]\nDriver=SQLite3\nMarca=1\n" + dbq[estado]);
    archivo.close();
    OlvidarCacheOdbc();
}

// A registrar for the folder's database, as the program fills it.
std::unique_ptr<CDSN> Registrador(const CarpetaPrueba& carpeta) {
    auto registrador = std::make_unique<CDSN>(carpeta.Ruta());
    registrador->SetDatabaseName(carpeta.Base());
    registrador->SetDataSourceName("Cobranzia");
    registrador->SetDriverName("SQLite3");
    return registrador;
}

} // namespace

class PruebaDsn : public QObject {
    Q_OBJECT
private slots:
    void init() { EscribirOdbcIni("ninguno", QString()); }
    void decisiones_data();
    void decisiones();
    void instaladorQueRehusa_data();
    void instaladorQueRehusa();
    void cuatroALaVez();
    void puntoYComa();
};

void PruebaDsn::decisiones_data() {
    QTest::addColumn<int>("peticion");
    QTest::addColumn<QString>("estado");
    QTest::addColumn<bool>("hayBase");
    QTest::addColumn<bool>("resultado");
    QTest::addColumn<QString>("dbqDespues");
    QTest::addColumn<bool>("cambia"); // whether the file is written at all

    const auto fila = [](const char* nombre, int peticion, const char* estado, bool hayBase,
                         bool resultado, const QString& dbq, bool cambia) {
        QTest::newRow(nombre) << peticion << QString::fromUtf8(estado) << hayBase << resultado
                              << dbq << cambia;
    };
    // Request 1: add or replace.
    fila("1 primera vez", 1, "ninguno", true, true, kEsperada, true);
    fila("1 primera vez sin base", 1, "ninguno", false, false, kAusente, false);
    fila("1 sin DBQ", 1, "sin DBQ", true, true, kEsperada, true);
    fila("1 sin DBQ, otra sección detrás", 1, "sin DBQ, otra detrás", true, true, kEsperada, true);
    fila("1 sin DBQ ni base", 1, "sin DBQ", false, false, QString(), false);
    fila("1 DBQ que no cabe", 1, "DBQ largo", true, true, kEsperada, true);
    fila("1 ya registrada", 1, "DBQ igual", true, true, kEsperada, false);
    fila("1 ya registrada sin base", 1, "DBQ igual", false, true, kEsperada, false);
    fila("1 programa movido", 1, "DBQ otra carpeta", true, true, kEsperada, true);
    fila("1 movido sin base", 1, "DBQ otra carpeta", false, true, kEsperada, true);
    fila("1 otra caja", 1, "DBQ otra caja", true, true, kEsperada, true);
    // Request 3: remove.
    fila("3 registrada", 3, "DBQ igual", true, true, kAusente, true);
    fila("3 registrada sin base", 3, "DBQ igual", false, false, kEsperada, false);
    fila("3 otra carpeta", 3, "DBQ otra carpeta", true, true, kAusente, true);
    fila("3 otra carpeta sin base", 3, "DBQ otra carpeta", false, false, kAusente, true);
    fila("3 ninguna", 3, "ninguno", true, true, kAusente, false);
}

void PruebaDsn::decisiones() {
    QFETCH(int, peticion);
    QFETCH(QString, estado);
    QFETCH(bool, hayBase);
    QFETCH(bool, resultado);
    QFETCH(QString, dbqDespues);
    QFETCH(bool, cambia);

    CarpetaPrueba carpeta(hayBase);
    const QString esperada = carpeta.Base();
    EscribirOdbcIni(estado, esperada);
    const QByteArray antes = Contenido();

    const auto registrador = Registrador(carpeta);
    QCOMPARE(registrador->CrearDSN(peticion), resultado);
    QCOMPARE(registrador->ErrorDesc(),
             resultado ? QString()
                       : QStringLiteral("CrearDSN::Error: El archivo de base de datos NO existe!"));

    const QString dbq = DbqRegistrado();
    QCOMPARE(dbq, dbqDespues == kEsperada ? esperada : dbqDespues);
    QCOMPARE(Contenido() != antes, cambia);
    // The other data sources of the user are kept byte for byte.
    QVERIFY(Contenido().startsWith(kOtra));
    QVERIFY(!estado.contains(u"detrás") || Contenido().endsWith("[Tras]\nDatabase=/tras.db\n"));
    if (dbq == esperada && cambia)
        QCOMPARE(Odbc::LeerValorDsn("Cobranzia", "Database").valor, esperada);
}

void PruebaDsn::instaladorQueRehusa_data() {
    QTest::addColumn<QString>("caso");
    QTest::addColumn<QString>("motivo"); // empty: written, for its user alone
    const auto fila = [](const char* nombre, const char* caso, const QString& motivo) {
        QTest::newRow(nombre) << QString::fromUtf8(caso) << motivo;
    };
    fila("controlador ausente", "controlador", "no está instalado");
    fila("salto de línea en la carpeta", "salto", "tiene caracteres de control");
    fila("un archivo por carpeta", "bajo un archivo", "la carpeta «<c>/no-es-carpeta» no se puede");
    fila("carpeta que falta", "falta", "la carpeta «<c>/falta» no se puede usar");
    fila("enlace simbólico", "enlace", "es un enlace simbólico");
    fila("una carpeta", "carpeta", "no es un archivo ordinario");
    fila("una tubería", "tubería", "no es un archivo ordinario");
    fila("más de 64 KiB", "grande", "supera el máximo de 65536 bytes");
    fila("solo lectura", "solo lectura", "el archivo es de solo lectura");
    fila("ilegible para el usuario", "ilegible", "no se puede leer: ");
    fila("disco lleno", "lleno", "No queda espacio en el dispositivo");
    fila("nuevo con umask 000", "nuevo", "");
    fila("cerrojo de un programa muerto", "abandonado", "");
    fila("cerrojo tomado", "tomado", "otro programa tiene tomado el cerrojo «<c>/odbc.ini.lock»");
}

// The user's settings file is replaced only when it was read whole; the
// reason names the real cause; nothing at all is written otherwise.
void PruebaDsn::instaladorQueRehusa() {
    QFETCH(QString, caso);
    QFETCH(QString, motivo);
    CarpetaPrueba carpeta;
    const QByteArray odbcini = qgetenv("ODBCINI");
    const auto registrador = Registrador(carpeta);
    QString ini = carpeta.Archivo("odbc.ini");
    const QByteArray antes =
        "[Otra]\nDriver=SQLite3\n" + QByteArray(caso == u"grande" ? 70000 : 0, ';');
    if (caso == u"controlador")
        registrador->SetDriverName("Controlador Inexistente");
    else if (caso == u"salto")
        registrador->SetDatabaseName(carpeta.Escribir("a\n[Falsa]\nDriver=x.so", "x"));
    else if (caso == u"bajo un archivo")
        ini = carpeta.Escribir("no-es-carpeta", "x") + QStringLiteral("/odbc.ini");
    else if (caso == u"falta")
        ini = carpeta.Archivo("falta/odbc.ini");
    else if (caso == u"enlace")
        QVERIFY(QFile::link(carpeta.Escribir("destino", antes), ini));
    else if (caso == u"carpeta")
        QVERIFY(QDir().mkdir(ini));
    else if (caso == u"tubería")
        QCOMPARE(mkfifo(QFile::encodeName(ini).constData(), 0600), 0);
    const bool previo =
        QStringList{"controlador", "salto", "enlace", "grande", "solo lectura", "ilegible"}
            .contains(caso);
    if (previo && caso != u"enlace")
        carpeta.Escribir("odbc.ini", antes);
    const bool ajeno = caso == u"ilegible";
    if (caso == u"solo lectura" || ajeno)
        QVERIFY(QFile::setPermissions(ini, ajeno ? QFile::ReadOwner | QFile::WriteOwner
                                                 : QFile::Permissions(QFile::ReadOwner)));
    // Room for the lock beside the file (an empty one), and not a byte more.
    if (caso == u"lleno") {
        ini = carpeta.Archivo("lleno/odbc.ini");
        QVERIFY(QDir(carpeta.Ruta()).mkdir("lleno"));
        if (Ejecutar("mount", {"-t", "tmpfs", "-o", "size=8k", "tmpfs", carpeta.Archivo("lleno")})
                .estado != 0)
            QSKIP("montar un disco pequeño necesita ser root");
        carpeta.Escribir("lleno/relleno", QByteArray(8192, 'x'));
    }
    std::optional<CerrojoArchivo> otro;
    if (caso == u"abandonado")
        carpeta.Escribir("odbc.ini.lock", "4242\ncobranzia\n");
    if (caso == u"tomado")
        QVERIFY(otro.emplace(ini + QStringLiteral(".lock")).Tomar(0) ==
                CerrojoArchivo::Estado::Tomado);
    if (ajeno &&
        (geteuid() != 0 || chmod(QFile::encodeName(carpeta.Ruta()).constData(), 0777) != 0))
        QSKIP("leer como otro usuario necesita ser root");
    qputenv("ODBCINI", QFile::encodeName(ini));
    const mode_t mascara = umask(0);
    if (ajeno)
        QCOMPARE(seteuid(65534), 0);
    const bool hecho = registrador->CrearDSN(1);
    if (ajeno)
        QCOMPARE(seteuid(0), 0);
    umask(mascara);
    otro.reset();
    qputenv("ODBCINI", odbcini);
    if (caso == u"lleno")
        Ejecutar("umount", {carpeta.Archivo("lleno")});
    QCOMPARE(hecho, motivo.isEmpty());
    QVERIFY2(registrador->ErrorDesc().contains(motivo.replace("<c>", carpeta.Ruta())),
             qPrintable(registrador->ErrorDesc()));
    if (motivo.isEmpty())
        QCOMPARE(QFile::permissions(ini),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    else if (previo)
        QCOMPARE(Contenido(ini), antes);
    // Nothing else is left in the folder.
    QVERIFY(QDir(carpeta.Ruta()).entryList({"odbc.ini.*"}, QDir::Files | QDir::Hidden).isEmpty());
}

// Four programs from four folders registering at once, a few times over:
// each leaves the file whole, the user's other entries as they were.
void PruebaDsn::cuatroALaVez() {
    CarpetaPrueba carpetas[4];
    for (const CarpetaPrueba& carpeta : carpetas)
        carpeta.CopiarEjecutable();
    for (int ronda = 0; ronda < 3; ++ronda) {
        EscribirOdbcIni("ninguno", QString());
        QProcess procesos[4];
        for (int i = 0; i < 4; ++i)
            procesos[i].start(carpetas[i].Archivo("cobranzia"),
                              {"--procesar", carpetas[i].Escribir("l.txt", "D1\n")});
        // Meanwhile this process adds data sources of its own: none is lost or doubled.
        for (int i = 0; i < 8; ++i)
            QVERIFY(WritePrivateProfileString(QStringLiteral("Ajena%1").arg(i), "Driver", "x",
                                              ArchivoOdbcIni()));
        for (QProcess& proceso : procesos) {
            QVERIFY(proceso.waitForFinished(60000));
            QCOMPARE(proceso.exitCode(), 0);
            QCOMPARE(proceso.readAllStandardError(), QByteArray());
        }
        const QByteArray texto = Contenido();
        QVERIFY2(texto.startsWith(kOtra) && texto.count("[Cobranzia]") == 1 &&
                     texto.count("Driver=SQLite3") == 1 && texto.count("Driver=x\n") == 8,
                 texto.constData());
        const QString dbq = DbqRegistrado();
        QVERIFY(std::any_of(std::begin(carpetas), std::end(carpetas),
                            [&](const CarpetaPrueba& c) { return c.Base() == dbq; }));
    }
}

// A path with a ";" reaches the driver through a link in the process's private
// folder; a private folder under a ";" is no use to the driver either: said, not cut.
void PruebaDsn::puntoYComa() {
    CarpetaPrueba carpeta;
    const QString puntoYComa = carpeta.Archivo("a;b");
    QVERIFY(QDir().mkdir(puntoYComa) &&
            chmod(QFile::encodeName(puntoYComa).constData(), 0700) == 0);
    const QString base = carpeta.Escribir("a;b/x.mdb", "x");
    const QByteArray run = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(puntoYComa));
    QVERIFY_THROWS_EXCEPTION(ErrorEjecucion, CadenaOdbcSqlite(base));
    qputenv("XDG_RUNTIME_DIR", run);
    QCOMPARE(QDir(puntoYComa).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{"x.mdb"});
    const QString cadena = CadenaOdbcSqlite(base);
    const QString enlace = cadena.section(u';', 1, 1).section(u'=', 1);
    QVERIFY2(enlace.startsWith(QFile::decodeName(run) + QStringLiteral("/cobranzia-proceso-")) &&
                 QFileInfo(enlace).canonicalFilePath() == QFileInfo(base).canonicalFilePath(),
             qPrintable(cadena));
}

PRUEBAS_MAIN(PruebaDsn, QCoreApplication)
#include "tst_dsn.moc"
