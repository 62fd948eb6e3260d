// Batch mode, run as a script runs it: the real program in a program folder of
// its own, its output, its exit status, and what it leaves in the database.

#include "run/Historial.h"
#include "run/Programa.h"
#include "tests/comun/Entorno.h"

#include <QCryptographicHash>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTest>
#include <QTimeZone>

#include <cstring>

#include <fcntl.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const QString kCodigoLote = "D79694AE2540A8791331D7BA278DC3F3";
// The `campos` of every row of an export as Python's csv or json reads them,
// with the README's rule for CSV: one leading "'" comes off.
QString LeidoPorPython(const QString& formato, const QString& archivo, const QString& campos) {
    return Ejecutar(
               "python3",
               {"-c",
                "import csv, json, sys\n"
                "f = open(sys.argv[2], newline='', encoding='utf-8')\n"
                "c = sys.argv[1] == 'csv'\n"
                "v = lambda y: y[1:] if c and y[:1] == \"'\" else y\n"
                "r = csv.DictReader(f) if c else json.load(f)\n"
                "print('|'.join(':'.join(str(v(x[k])) for k in sys.argv[3].split()) for x in r))",
                formato, archivo, campos})
        .salida.trimmed();
}
} // namespace

class PruebaLotes : public QObject {
    Q_OBJECT
private slots:
    // No display and no platform chosen: batch mode needs neither.
    void initTestCase() {
        for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            qunsetenv(variable);
    }
    void llamadas_data();
    void llamadas();
    void listadoEnPdf_data();
    void listadoEnPdf();
    void progresoEnTerminal();
    void listadosALaVez_data();
    void listadosALaVez();
    void esperaUnaBaseOcupada();
    void muertoAMitadNoMezcla_data();
    void muertoAMitadNoMezcla();
    void historial();
};

void PruebaLotes::llamadas_data() {
    QTest::addColumn<QStringList>("argumentos");
    QTest::addColumn<int>("estado");
    QTest::addColumn<QString>("salida");
    QTest::addColumn<QString>("errores");
    QTest::addColumn<qsizetype>("filas");
    const auto fila = [](const char* nombre, const QStringList& args, int estado,
                         const QString& salida, const QString& errores, qsizetype filas = 0) {
        QTest::newRow(nombre) << args << estado << salida << errores << filas;
    };
    // Refused with status 2, nothing on standard output.
    const auto rehusada = [&fila](const char* nombre, const QStringList& args,
                                  const QString& errores, qsizetype filas = 0) {
        fila(nombre, args, 2, "", errores, filas);
    };
    // A run whose listing goes to `destino`, refused.
    const auto listado = [&rehusada](const char* nombre, const QString& destino,
                                     const QString& errores, const QString& como = {}) {
        rehusada(nombre,
                 (como.isEmpty() ? QStringList() : QStringList{como}) +
                     QStringList{"--procesar", "<lote>", "--listado", destino},
                 errores);
    };
    const QString c = kCodigoLote;
    fila("procesar", {"--procesar", "<lote>"}, 0, c + "\n", "", 3);
    fila("procesar, forma con =", {"--procesar=<lote>"}, 0, c + "\n", "", 3);
    fila("procesar vacío", {"--procesar", "<vacio>"}, 0, "\n", "");
    rehusada("procesar inexistente", {"--procesar", "<nada>"},
             "cobranzia: No se encontró el archivo: <nada> (error 53)\n");
    rehusada("procesar carpeta", {"--procesar", "<carpeta>"}, "(no es un archivo) (error 75)");
    rehusada("línea larga, nombre con %2", {"--procesar", "<largo>"},
             "La línea 1 del archivo <carpeta>/largo %2\\n.txt supera el máximo de 1048576");
    // A target that cannot be written is refused before the run replaces any row.
    listado("listado en un archivo", "<lote>/x.pdf", "«<lote>» no es una carpeta (");
    listado("listado en carpeta inexistente", "<carpeta>/no/x.pdf",
            "la carpeta «<carpeta>/no» no existe (");
    listado("listado en carpeta de solo lectura", "<carpeta>/ro/x.pdf",
            "no se puede crear un archivo en la carpeta «<carpeta>/ro» (", "<nadie>");
    listado("listado sobre un archivo de solo lectura", "<carpeta>/ro.pdf",
            "el archivo existe y no se puede escribir en él (", "<nadie>");
    for (const char* sufijo : {"-journal", "-wal", "-shm"})
        listado(qPrintable(QStringLiteral("listado sobre <base>%1").arg(sufijo)),
                "<base>" + QString::fromLatin1(sufijo),
                "es un archivo de trabajo de la base de datos");
    listado("listado sobre $ODBCINI", "<odbcini>", "es la configuración ODBC del usuario");
    listado("listado vacío", "", "Uso:");
    rehusada("listado sin procesar", {"--listado", "x.pdf"}, "Uso:");
    listado("listado sobre la base", "<base>", "es la base de datos del programa");
    listado("listado sobre el lote", "<lote>", "es el archivo de débitos");
    listado("listado sobre la plantilla", "<plantilla>", "es la plantilla del listado");
    listado("listado sobre un dispositivo", "/dev/null", "no es un archivo ordinario");
    fila("verificar igual", {"--verificar", c, "<lote>"}, 0, "El código de control coincide.", "");
    fila("verificar en minúsculas", {"--verificar", c.toLower(), "<lote>"}, 0, "coincide", "");
    fila("verificar distinto", {"--verificar", "D41D8CD98F00B204E9800998ECF8427E", "<lote>"}, 1,
         "NO coincide", "");
    rehusada("verificar inexistente", {"--verificar", c, "<nada>"}, "(error 53)");
    rehusada("verificar 31 dígitos", {"--verificar", c.left(31), "<lote>"}, "Uso:");
    fila("verificar con blancos", {"--verificar", " " + c + "\n", "<lote>"}, 0, "coincide", "");
    rehusada("verificar no hexadecimal", {"--verificar", c.left(31) + "G", "<lote>"}, "Uso:");
    rehusada("verificar incompleto", {"--verificar", c}, "Uso:");
    rehusada("opción desconocida", {"--borrar", "todo"}, "opción desconocida «--borrar»");
    rehusada("opción de Qt en lote", {"--procesar", "<lote>", "-style", "Fusion"}, "Uso:");
    rehusada("dos archivos", {"--procesar", "<lote>", "<vacio>"}, "sobra el argumento");
    rehusada("datos vacío", {"--procesar", "<lote>", "--datos="}, "--datos está vacío");
    rehusada("datos vacío aparte", {"--datos", "", "--procesar", "<lote>"}, "--datos está");
    rehusada("servidor vacío", {"--procesar", "<lote>", "--servidor", " "}, "--servidor está");
    rehusada("variable de datos en blanco", {"COBRANZIA_DATOS=  ", "--historial"},
             "COBRANZIA_DATOS está vacío");
    rehusada("variable de servidor vacía", {"COBRANZIA_SERVIDOR=", "<lote>"}, "DOR está vacío");
    rehusada("variable de servidor en blanco", {"COBRANZIA_SERVIDOR= ", "<lote>"}, "DOR está");
    rehusada("datos dos veces", {"--procesar", "<lote>", "--datos=<carpeta>", "--datos=/"},
             "cobranzia: --datos se dio dos veces");
    rehusada("formato dos veces", {"--historial", "--formato", "csv", "--formato=csv"}, "dos");
    rehusada("desde dos veces", {"--historial", "--desde=1/1/2026", "--desde=2/1/2026"}, "dos");
    rehusada("historial de nombre vacío", {"--historial", ""}, "un ARCHIVO vacío");
    rehusada("historial con valor", {"--historial=", "--formato=csv"}, "--historial no lleva");
    rehusada("desde tras hasta", {"--historial", "--hasta", "2026-12-07", "--desde", "8/12/2026"},
             "cobranzia: --desde es posterior a --hasta\n");
    for (const char* fecha :
         {"-2026-12-07", "+2026-12-07", "7/12/-2026", "0000-01-01", "12026-1-1"})
        rehusada(fecha, {"--historial", "--desde", fecha}, "no es una fecha de --desde");
    // Reading makes nothing: a missing folder is named, never made.
    rehusada("historial sin base", {"--historial", "--datos", "<carpeta>/nueva"},
             "No hay base de datos en «<carpeta>/nueva/Cobranzia.mdb»");
    fila("verificar sin base", {"--verificar", c, "<lote>", "--datos", "<carpeta>/nueva"}, 0,
         "Ninguna corrida", "");
    rehusada("configuración ilegible", {"--procesar", "<lote>", "--datos", "<carpeta>/dat"},
             "No se puede leer la configuración «<carpeta>/dat/Cobranzia.dat»: no es un archivo");
    rehusada("configuración cortada", {"--procesar", "<lote>", "--datos", "<carpeta>/cortada"},
             "«<carpeta>/cortada/Cobranzia.dat»: supera el máximo de 65536 bytes que se leen");
    rehusada("ventana sin pantalla", {"<lote>"}, "cobranzia: no hay pantalla donde abrir");
    rehusada("ventana, opciones de Qt", {"-style", "Fusion", "-reverse", "<lote>"}, "pantalla");
    rehusada("ventana, archivo que parece opción", {"--", "-raro.txt"}, "no hay pantalla");
    rehusada("archivo y procesar", {"<lote>", "--procesar", "<lote>"}, "opciones incompatibles");
    fila("aviso con escapes, carpeta de ODBCINI que falta",
         {"ODBCINI=<carpeta>/\x1B[2J/odbc.ini", "--procesar", "<lote>"}, 0, c + "\n",
         "No se pudo escribir «<carpeta>/\\x1B[2J/odbc.ini»: la carpeta «<carpeta>/\\x1B[2J» no se "
         "puede usar",
         3);
    rehusada("formato sin historial", {"--formato", "csv"}, "--formato solo acompaña a --hist");
    rehusada("desde con procesar", {"--procesar", "<lote>", "--desde", "2026-01-01"},
             "--desde solo acompaña a --historial");
    rehusada("comprobar sin historial", {"--comprobar"}, "--comprobar solo acompaña");
    rehusada("formato desconocido", {"--historial", "--formato", "xml"},
             "«xml» no es un formato de --formato");
    rehusada("fecha imposible", {"--historial", "--hasta", "31/02/2026"},
             "«31/02/2026» no es una fecha de --hasta");
    rehusada("comprobar con archivo", {"--historial", "--comprobar", "<lote>"}, "no admite");
    rehusada("comprobar con formato", {"--historial", "--comprobar", "--formato=csv"},
             "--comprobar recorre el historial entero");
    rehusada("historial y procesar", {"--historial", "--procesar", "<lote>"}, "incompatibles");
    rehusada("historial, dos archivos", {"--historial", "<lote>", "<vacio>"}, "sobra");
    fila("verificar sin historial", {"--verificar", c, "<lote>", "--servidor", "host=<carpeta>/no"},
         0, "coincide", "cobranzia: no se pudo leer el historial de corridas: ");
    // A file that libpq would open and wait on for ever, refused before any wait.
    for (const char* ajuste : {"sslrootcert", "sslcert", "sslkey", "sslcrl", "passfile"})
        fila(ajuste,
             {"--procesar", "<lote>", "--servidor", QString("host=/no %1=<fifo>").arg(ajuste)}, 2,
             "",
             QString("%1 nombra «<fifo>», que no es un archivo ordinario sino una FIFO")
                 .arg(ajuste));
    fila("servicios en una FIFO",
         {"PGSERVICEFILE=<fifo>", "--procesar", "<lote>", "--servidor", "service=s"}, 2, "",
         "PGSERVICEFILE nombra «<fifo>», que no es un archivo ordinario");
    fila("contraseña en servicios legibles",
         {"PGSERVICEFILE=<servicios>", "--procesar", "<lote>", "--servidor", "service=s"}, 2, "",
         "pueden leerlo o cambiarlo: libpq no acepta así una "
         "contraseña. Déjelo solo para su dueño con: chmod 600 <servicios>");
    fila("ayuda", {"--help"}, 0, "--verificar CODIGO ARCHIVO", "");
    fila("versión", {"--version"}, 0, "cobranzia " COBRANZIA_VERSION "\n", "");
    // The code that cannot reach standard output is lost: that is an error.
    const QString llena = "No se pudo escribir en la salida";
    rehusada("procesar, salida llena", {"<llena>", "--procesar", "<lote>"}, llena, 3);
    rehusada("verificar, salida llena", {"<llena>", "--verificar", c, "<lote>"}, llena);
    rehusada("ayuda, salida llena", {"<llena>", "--help"}, llena);
    // A user at the limit of their processes: no thread to be had beside the
    // run's own, which then takes the digests itself.
    fila("sin hilos",
         {"ODBCINI=<carpeta>/odbc.ini", "<nadie>", "<un proceso>", "--procesar", "<lote>"}, 0,
         c + "\n", "", 3);
}

void PruebaLotes::llamadas() {
    QFETCH(QStringList, argumentos);
    QFETCH(int, estado);
    QFETCH(QString, salida);
    QFETCH(QString, errores);
    QFETCH(qsizetype, filas);

    CarpetaPrueba carpeta;
    QString programa = carpeta.CopiarEjecutable();
    const QString lote = carpeta.Escribir("lote 01.txt", "H1\r\nD1\r\nD'2\r\n\r\nT1\r\n");
    const QString nada = carpeta.Archivo("no-existe.txt");
    const auto poner = [&](QString& texto) {
        texto.replace("<lote>", lote)
            .replace("<vacio>", carpeta.Escribir("v.txt", ""))
            .replace("<nada>", nada)
            .replace("<base>", carpeta.Base())
            .replace("<plantilla>", carpeta.Archivo("Cobranzia.rpt"))
            .replace("<largo>", carpeta.Escribir("largo %2\n.txt", QByteArray(2 << 20, 'x')))
            .replace("<odbcini>", qEnvironmentVariable("ODBCINI"))
            .replace("<fifo>", carpeta.Archivo("fifo"))
            .replace("<servicios>", carpeta.Archivo("servicios"))
            .replace("<carpeta>", carpeta.Ruta());
    };
    for (QString& a : argumentos)
        poner(a);
    poner(errores);
    // Settings files that cannot be read whole: a folder in the file's place, a file cut.
    QVERIFY(QDir(carpeta.Ruta()).mkpath("dat/Cobranzia.dat") &&
            QDir(carpeta.Ruta()).mkpath("cortada") &&
            chmod(QFile::encodeName(carpeta.Archivo("dat")).constData(), 0700) == 0);
    carpeta.Escribir("cortada/Cobranzia.dat",
                     QByteArray(70000, ';') + "\n[Base]\nServidor=host=x\n");
    QVERIFY(mkfifo(QFile::encodeName(carpeta.Archivo("fifo")).constData(), 0600) == 0 &&
            chmod(QFile::encodeName(carpeta.Escribir("servicios", "[s]\nhost=/no\npassword=x\n"))
                      .constData(),
                  0640) == 0);
    QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
    while (!argumentos.isEmpty() &&
           argumentos.constFirst().contains(QRegularExpression("^[A-Z]"))) {
        const QString variable = argumentos.takeFirst();
        entorno.insert(variable.section(u'=', 0, 0), variable.section(u'=', 1));
    }
    // What the program is started through: permissions bind root in nothing, so
    // these run as a user who owns the folder; a limit of processes; a full disk
    // as standard output.
    QStringList delante;
    const auto marca = [&argumentos](const char* nombre) {
        if (argumentos.first() != QLatin1String(nombre))
            return false;
        argumentos.removeFirst();
        return true;
    };
    if (marca("<nadie>")) {
        if (geteuid() != 0)
            QSKIP("hace falta root para correr como otro usuario");
        QVERIFY(QDir(carpeta.Ruta()).mkdir("ro", QFile::ReadOwner | QFile::ExeOwner));
        carpeta.Escribir("ro.pdf", "%PDF");
        QVERIFY(QFile::setPermissions(carpeta.Archivo("ro.pdf"), QFile::ReadOwner));
        QCOMPARE(Ejecutar("chown", {"-R", "nobody", carpeta.Ruta()}).estado, 0);
        delante << "runuser"
                << "-u"
                << "nobody"
                << "--"
                << "env"
                << "HOME=" + carpeta.Ruta();
    }
    if (marca("<un proceso>"))
        delante << "prlimit"
                << "--nproc=1";
    if (marca("<llena>"))
        delante << "sh"
                << "-c"
                << "exec \"$0\" \"$@\" >/dev/full";
    if (!delante.isEmpty()) {
        argumentos = delante.mid(1) + QStringList{programa} + argumentos;
        programa = delante.first();
    }
    const Salida s = Ejecutar(programa, argumentos, entorno);
    QCOMPARE(s.estado, estado);
    if (salida.endsWith(u'\n'))
        QCOMPARE(s.salida, salida);
    else
        QVERIFY2(s.salida.contains(salida), qPrintable(s.salida));
    // A script reads standard error: on success there is nothing on it but a
    // warning, and never a raw escape.
    if (estado == 0 && errores.isEmpty())
        QVERIFY2(s.errores.isEmpty(), qPrintable(s.errores));
    QVERIFY2(s.errores.contains(errores) && !s.errores.contains(u'\x1B'), qPrintable(s.errores));
    QVERIFY(!QFileInfo::exists(carpeta.Archivo("nueva")));
    QCOMPARE(FilasGuardadas(carpeta.Base(), "lote 01.txt").size(), filas);
    QVERIFY(QFileInfo(lote).size() > 0 && QFileInfo(carpeta.Archivo("Cobranzia.rpt")).size() > 100);
}

void PruebaLotes::listadoEnPdf_data() {
    QTest::addColumn<QByteArray>("nombre"); // the file name's own bytes
    QTest::addColumn<QString>("visible");   // as the listing shows it
    QTest::addColumn<QString>("vecino");    // another name's key, whose rows stay
    const QString otro = "otro.txt";
    QTest::newRow("espacios y apóstrofo")
        << QByteArray(" D'Angelo 07.txt ") << "D'Angelo 07.txt" << otro;
    QTest::newRow("solo espacios") << QByteArray("   ") << "" << otro;
    QTest::newRow("salto de línea") << QByteArray("a\nb.txt") << "a\\nb.txt" << otro;
    QTest::newRow("tabulador y escape") << QByteArray("a\tb\x1B[2J") << "a\\tb\\x1B[2J" << otro;
    QTest::newRow("invierte el texto")
        << QByteArray("\xE2\x80\xAEtxt.exe") << "\\u202Etxt.exe" << otro;
    QTest::newRow("no es UTF-8") << QByteArray("n\xFF.txt") << "n\\xFF.txt"
                                 << "n\\\\xFF.txt";
    QTest::newRow("escape escrito") << QByteArray("n\\xFF.txt") << "n\\\\xFF.txt"
                                    << "n\\xFF.txt";
    QTest::newRow("U+FEFF, barra y salto") << QByteArray("\xEF\xBB\xBFz\\\nb") << "\\uFEFFz\\\\\\nb"
                                           << "z\\nb";
}

// The listing of a run, read back from its PDF, whatever the file's name.
void PruebaLotes::listadoEnPdf() {
    QFETCH(QByteArray, nombre);
    QFETCH(QString, visible);
    QFETCH(QString, vecino);
    CarpetaPrueba carpeta;
    carpeta.CopiarEjecutable();
    const QByteArray ruta = QFile::encodeName(carpeta.Ruta()) + '/' + nombre;
    const QByteArray contenido = "H1\r\nD0001 UNO\r\nD0002 DOS\r\nT2\r\n";
    const int fd = ::open(ruta.constData(), O_WRONLY | O_CREAT, 0600);
    QVERIFY(fd >= 0 &&
            ::write(fd, contenido.constData(), size_t(contenido.size())) == contenido.size());
    ::close(fd);
    GuardarFilas(carpeta.Base(), vecino, {"D9999 OTRO"});
    // The names go as bytes, through the shell: a QString could not carry them.
    // The PDF is named after the file; a copy under a plain name is read back.
    const auto octal = [](const QByteArray& bytes) {
        QString texto;
        for (const char c : bytes)
            texto += QStringLiteral("\\%1").arg(static_cast<unsigned char>(c), 3, 8, QChar(u'0'));
        return QStringLiteral("\"$(printf '%b' '") + texto + QStringLiteral("')\"");
    };
    const QString pdf = carpeta.Archivo("listado.pdf");
    const Salida s = Ejecutar(
        "/bin/sh",
        {"-c",
         QStringLiteral("\"$0\" --procesar ") + octal(ruta) + QStringLiteral(" --listado ") +
             octal(ruta + ".pdf") + QStringLiteral(" && cp ") + octal(ruta + ".pdf") +
             QStringLiteral(" \"$1\" && \"$0\" --historial --formato=json ") + octal(ruta),
         carpeta.Archivo("cobranzia"), pdf});
    QCOMPARE(s.estado, 0);
    // The history finds the run by the name it was given, the neighbour's rows stand.
    QCOMPARE(s.salida.count(u"\"resultado\":\"completada\""), 1);
    QCOMPARE(FilasGuardadas(carpeta.Base(), vecino), QStringList{"D9999 OTRO"});
    const QStringList lineas = LineasPdf(pdf);
    const QString texto = lineas.join(u'\n');
    for (const QString& esperado :
         QStringList{s.salida.section(u'\n', 0, 0), ("Archivo: " + visible).trimmed(),
                     "Filas listadas: 2", "Página 1 de 1"})
        QVERIFY2(texto.contains(esperado), qPrintable(esperado + u'\n' + texto));
    QVERIFY(lineas.contains("D0001 UNO") && lineas.contains("D0002 DOS"));
    QVERIFY(!texto.contains("OTRO"));
}

// A long run on a terminal shows how far it went on standard error; in a
// pipe it says nothing.
void PruebaLotes::progresoEnTerminal() {
    CarpetaPrueba carpeta;
    const QString programa = carpeta.CopiarEjecutable();
    const QString lote = carpeta.Escribir("lote.txt", Lote(800000, 'D'));
    const Salida terminal =
        Ejecutar("script", {"-qec", programa + QStringLiteral(" --procesar ") + lote, "/dev/null"});
    QCOMPARE(terminal.estado, 0);
    // Every count grouped the Spanish way, the large ones too.
    static const QRegularExpression cuenta("\\(([\\d.]+) líneas\\)");
    static const QRegularExpression espanol("^(\\d{1,4}|\\d{1,3}(\\.\\d{3})+)$");
    QStringList cuentas;
    for (const auto& m : cuenta.globalMatch(terminal.salida))
        cuentas << m.captured(1);
    QVERIFY2(!cuentas.isEmpty() && cuentas.filter(espanol).size() == cuentas.size() &&
                 cuentas.constLast().size() > 5,
             qPrintable(terminal.salida));
    const Salida tuberia = carpeta.Correr({"--procesar", lote});
    QCOMPARE(tuberia.estado, 0);
    QCOMPARE(tuberia.errores, QString());
}

void PruebaLotes::listadosALaVez_data() {
    QTest::addColumn<bool>("mismaCarpeta");
    QTest::newRow("dos carpetas, un nombre") << false;
    QTest::newRow("una carpeta, dos archivos del mismo nombre") << true;
}

// Two runs at once, each with its listing, a few times over: each listing
// holds exactly its own run's rows under its own code, or says that a later
// run replaced them; never another database's rows, never a mix.
void PruebaLotes::listadosALaVez() {
    QFETCH(bool, mismaCarpeta);
    CarpetaPrueba primera;
    CarpetaPrueba segunda;
    primera.CopiarEjecutable();
    segunda.CopiarEjecutable();
    QVERIFY(QDir(primera.Ruta()).mkpath("a") && QDir(primera.Ruta()).mkpath("b"));
    const CarpetaPrueba* carpetas[] = {&primera, mismaCarpeta ? &primera : &segunda};
    const int lineas[] = {3000, 1700};
    QString programas[2];
    QStringList argumentos[2];
    for (int i = 0; i < 2; ++i) {
        programas[i] = carpetas[i]->Archivo("cobranzia");
        argumentos[i] = {"--procesar",
                         primera.Escribir(QStringLiteral("%1/lote.txt").arg(QChar(u'a' + i)),
                                          Lote(lineas[i], char('A' + i))),
                         "--listado", primera.Archivo(QStringLiteral("l%1.pdf").arg(i))};
    }
    for (int ronda = 0; ronda < 3 && !QTest::currentTestFailed(); ++ronda)
        ListadosALaVez(programas, argumentos, lineas, mismaCarpeta);
    // Every run has its row in the history, chained in the order they ended.
    const auto programa = primera.NuevoPrograma();
    QCOMPARE(Historial::Comprobar(*programa->gConexion()).filas, mismaCarpeta ? 6 : 3);
    QCOMPARE(Historial::Comprobar(*programa->gConexion()).Rota(), QString());
    // The data source the runs registered reads it too.
    QProcess isql;
    isql.start("isql", {"-b", "Cobranzia"});
    isql.write("SELECT 'corridas=' || count(*) FROM Historial\n");
    isql.closeWriteChannel();
    QVERIFY(isql.waitForFinished(30000));
    QVERIFY(
        isql.readAllStandardOutput().contains(mismaCarpeta ? "| corridas=6 " : "| corridas=3 "));
}

// Sixteen runs at once on one database take their turns: every one
// completes, each with its row in the chain.
void PruebaLotes::esperaUnaBaseOcupada() {
    CarpetaPrueba carpeta;
    const QString programa = carpeta.CopiarEjecutable();
    QProcess procesos[16];
    for (int i = 0; i < 16; ++i)
        procesos[i].start(
            programa,
            {"--procesar", carpeta.Escribir(QStringLiteral("l%1.txt").arg(i), Lote(50000, 'D'))});
    for (QProcess& proceso : procesos) {
        QVERIFY(proceso.waitForFinished(300000));
        QVERIFY2(proceso.exitCode() == 0, proceso.readAllStandardError().constData());
    }
    QCOMPARE(FilasGuardadas(carpeta.Base(), "l15.txt").size(), 50000);
    QCOMPARE(ConsultarBase(carpeta.Base(), "SELECT count(*) FROM Historial"), QStringList{"16"});
    QCOMPARE(carpeta.Correr({"--historial", "--comprobar"}).estado, 0);
}

void PruebaLotes::muertoAMitadNoMezcla_data() {
    QTest::addColumn<int>("senal");
    QTest::addColumn<QString>("momento");
    for (const int senal : {SIGKILL, SIGTERM, SIGHUP, SIGINT})
        QTest::newRow(sigabbrev_np(senal)) << senal << "corrida";
    QTest::newRow("TERM en el listado") << SIGTERM << "listado";
    QTest::newRow("TERM esperando la base") << SIGTERM << "base ocupada";
    QTest::newRow("TERM esperando al servidor") << SIGTERM << "servidor mudo";
}

// Ended once the run has begun writing: killed, the earlier rows or the new
// ones stand whole; by SIGTERM, SIGHUP or SIGINT, the run is cancelled, rolled
// back and recorded so (exit 128 + the signal). Ended while the listing is
// written: the run stands, and no PDF is left, whole or in part. Ended while
// it waits for a database another process holds, or for a server that never
// answers: it stops at once, and leaves no row.
void PruebaLotes::muertoAMitadNoMezcla() {
    QFETCH(int, senal);
    QFETCH(QString, momento);
    const bool listado = momento == u"listado";
    CarpetaPrueba carpeta;
    const QString programa = carpeta.CopiarEjecutable();
    const QString ruta = carpeta.Escribir("lote.txt", Lote(1000, 'V'));
    QCOMPARE(carpeta.Correr({"--procesar", ruta}).estado, 0);
    carpeta.Escribir("lote.txt", Lote(400000, 'N'));
    QStringList argumentos{"--procesar", ruta, "--listado", carpeta.Archivo("l.pdf")};
    argumentos = argumentos.mid(0, listado ? 4 : 2);
    sqlite3* duenio = nullptr;
    if (momento == u"base ocupada")
        QVERIFY(sqlite3_open(carpeta.Base().toUtf8().constData(), &duenio) == SQLITE_OK &&
                sqlite3_exec(duenio, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK);
    QTcpServer mudo; // accepts, and never answers
    if (momento == u"servidor mudo" && mudo.listen(QHostAddress::LocalHost))
        argumentos
            << "--servidor"
            << QStringLiteral("host=127.0.0.1 port=%1 connect_timeout=600").arg(mudo.serverPort());

    QProcess proceso;
    // Whatever the test was started with, the signals end the program as they would a shell's.
    proceso.setChildProcessModifier([] {
        for (const int s : {SIGHUP, SIGINT, SIGTERM})
            signal(s, SIG_DFL);
    });
    proceso.start(programa, argumentos);
    QVERIFY(proceso.waitForStarted());
    // Once the run has begun writing, or the PDF, named or not (O_TMPFILE), is
    // open; or the held database is open, its lock next; or the server is reached.
    const QString diario = carpeta.Base() + QStringLiteral("-journal");
    const QString base = QFileInfo(carpeta.Base()).canonicalFilePath();
    const QDir abiertos(QStringLiteral("/proc/%1/fd").arg(proceso.processId()));
    static const QRegularExpression pdf("/(l\\.pdf\\.|#)[^/]*$");
    const auto escribiendo = [&] {
        for (const QFileInfo& fd : abiertos.entryInfoList(QDir::Files | QDir::System))
            if ((listado && fd.symLinkTarget().startsWith(QDir(carpeta.Ruta()).canonicalPath()) &&
                 fd.symLinkTarget().contains(pdf)) ||
                (duenio && fd.symLinkTarget() == base))
                return true;
        return mudo.hasPendingConnections() ||
               (momento == u"corrida" && QFileInfo(diario).size() > 0);
    };
    QTRY_VERIFY_WITH_TIMEOUT(escribiendo() || proceso.state() == QProcess::NotRunning, 120000);
    ::kill(pid_t(proceso.processId()), senal);
    // Ended while the database is still held: before the program's own minute for it.
    QVERIFY(proceso.waitForFinished(duenio ? 50000 : 120000));
    sqlite3_close(duenio);
    const bool cancelada = senal != SIGKILL && !listado;
    QCOMPARE(proceso.exitStatus(), cancelada ? QProcess::NormalExit : QProcess::CrashExit);
    if (cancelada)
        QCOMPARE(proceso.exitCode(), 128 + senal);
    QVERIFY(!cancelada || proceso.readAllStandardError().contains("Se canceló el proceso"));
    QCOMPARE(QDir(carpeta.Ruta()).entryList({"l.pdf*"}), QStringList());

    const QStringList primera = ConsultarBase(
        carpeta.Base(), "SELECT count(*) || ' ' || substr(min(t_datos), 1, 1) FROM Datos");
    QVERIFY2(primera == QStringList{listado ? "400000 N" : "1000 V"} ||
                 (senal == SIGKILL && primera == QStringList{"400000 N"}),
             qPrintable(primera.join(u',')));
    QCOMPARE(ConsultarBase(carpeta.Base(), "SELECT resultado FROM Historial ORDER BY id DESC"),
             (QStringList{cancelada ? "cancelada" : "completada", "completada"})
                 .mid((senal == SIGKILL && primera.constFirst().startsWith(u'1')) ||
                      momento.contains(u' ')));
    // The next run finds the database sound, and the chain holds.
    QCOMPARE(carpeta.Correr({"--procesar", ruta}).estado, 0);
    QCOMPARE(FilasGuardadas(carpeta.Base(), "lote.txt").size(), 400000);
    QCOMPARE(carpeta.Correr({"--historial", "--comprobar"}).estado, 0);
}

// Three runs and a failed one, read back as other programs read them, by name
// and by local day, and named by a later verification of the same bytes.
void PruebaLotes::historial() {
    CarpetaPrueba carpeta;
    carpeta.CopiarEjecutable();
    const QDate hoy = QDate::currentDate();
    const QString a = carpeta.Escribir("a.txt", Lote(3, 'A'));
    const QString codigo = carpeta.Correr({"--procesar", a}).salida.trimmed();
    carpeta.Correr({"--procesar", carpeta.Escribir("b,\"c\".txt", Lote(2, 'B'))});
    carpeta.Correr({"--procesar", carpeta.Escribir("c.txt", Lote(1, 'C'))});
    carpeta.Correr({"--procesar", carpeta.Archivo("nada.txt")});
    const auto leer = [&](const QString& formato, const QStringList& argumentos) {
        carpeta.Escribir(
            "salida", carpeta.Correr(QStringList{"--historial", "--formato", formato} + argumentos)
                          .salida.toUtf8());
        return LeidoPorPython(formato, carpeta.Archivo("salida"), "archivo filas resultado");
    };
    const QString todas = QStringLiteral(
        "nada.txt:0:fallida|c.txt:1:completada|b,\"c\".txt:2:completada|a.txt:3:completada");
    for (const QString formato : {"csv", "json"}) {
        QCOMPARE(leer(formato, {}), todas);
        QCOMPARE(leer(formato, {"/otra/carpeta/a.txt"}), "a.txt:3:completada");
        QCOMPARE(leer(formato, {"--desde", hoy.toString(u"yyyy-MM-dd"), "--hasta",
                                hoy.toString(u"dd/MM/yyyy")}),
                 todas);
        QCOMPARE(leer(formato, {"--hasta", "9999-12-31"}), todas);
        QCOMPARE(leer(formato, {"--hasta", hoy.addDays(-1).toString(u"yyyy-MM-dd")}), QString());
        QCOMPARE(leer(formato, {"--desde", hoy.addDays(1).toString(u"d/M/yyyy")}), QString());
    }
    // Days are the reader's own: fourteen hours ahead, today may be tomorrow in UTC.
    QProcessEnvironment lejos = QProcessEnvironment::systemEnvironment();
    lejos.insert("TZ", "Pacific/Kiritimati");
    const QDate suyo =
        QDateTime::currentDateTimeUtc().toTimeZone(QTimeZone("Pacific/Kiritimati")).date();
    QCOMPARE(carpeta
                 .Correr({"--historial", "--formato=csv", "--desde", suyo.toString(u"yyyy-MM-dd")},
                         lejos)
                 .salida.count(u'\n'),
             5);
    const QStringList tabla = carpeta.Correr({"--historial"}).salida.split(u'\n');
    QVERIFY2(tabla.size() == 6 &&
                 tabla[0].contains(QRegularExpression(
                     "^Fecha +Archivo +Código +Filas +Usuario +Equipo +Resultado$")),
             qPrintable(tabla.join(u'\n')));
    QCOMPARE(tabla[4].indexOf(codigo), tabla[0].indexOf(u"Código"));
    QVERIFY(tabla[1].contains(u"  fallida: error 53, No se encontró el archivo: "));
    QVERIFY(
        carpeta.Correr({"--historial", "--comprobar"}).salida.contains(u"intacta: 4 corridas."));
    // A failed run of the same bytes is not named as an earlier run.
    ConsultarBase(carpeta.Base(), "UPDATE Historial SET sha256 = (SELECT sha256 FROM Historial "
                                  "WHERE archivo = 'a.txt') WHERE resultado = 'fallida'");
    const QString verificada = carpeta.Correr({"--verificar", codigo, a}).salida;
    QVERIFY2(verificada.contains(QRegularExpression(
                 "\\(SHA-256\\):\n  " + hoy.toString(u"dd/MM/yyyy") +
                 " [0-9:]{8}  «a\\.txt»  \\S+ en \\S+  código " + codigo + "\n$")),
             qPrintable(verificada));
    carpeta.Escribir("a.txt", Lote(4, 'A'));
    QVERIFY(
        carpeta.Correr({"--verificar", codigo, a}).salida.contains(u"Ninguna corrida completada"));
    ConsultarBase(carpeta.Base(), "UPDATE Historial SET sha256 = '' WHERE resultado = 'fallida'");

    // Rows written by hand, with escape sequences and a non-number: every output
    // shows them as data, never as commands, and the exports read back exact.
    Historial::Fila fila =
        QString("7|2026-12-07T10:00:00.000Z||lotes|ana\r|\u202Epc|||||=1+2\x1B[2J\t"
                ".txt|-2,\"q\"|12|-12,50||\x1B]52;c;ZWNobw==\a|abc|3||completada|0|a\\b\u0085|")
            .split(u'|');
    fila[Historial::Sha256] =
        QCryptographicHash::hash(Lote(4, 'A'), QCryptographicHash::Sha256).toHex();
    for (const char* id : {"7", "8"}) {
        fila[Historial::Id] = id;
        ConsultarBase(carpeta.Base(),
                      "INSERT INTO Historial (" + Historial::Columnas().join(u',') + ") VALUES (" +
                          QStringList(fila.size(), "?").join(u',') + ")",
                      fila);
        fila[Historial::Resultado] = "fallida\x1B[2J";
    }
    const QString danada = "cobranzia: la corrida 7 del historial está dañada: lineas «abc» no es "
                           "un número entero\n";
    const QString csv =
        R"(=1+2\x1B[2J\t.txt:-2,"q":abc|=1+2\x1B[2J\t.txt:-2,"q":abc|nada.txt:<carpeta>/nada.txt:0|c.txt:<carpeta>/c.txt:3|b,"c".txt:<carpeta>/b,"c".txt:4|a.txt:<carpeta>/a.txt:5)";
    const struct {
        QStringList argumentos;
        int estado;
        QString esperado; // in the output
        QString leido;    // the export, as Python reads it back
    } salidas[] = {
        {{"--historial"}, 1, danada, {}},
        {{"--historial", "--formato", "csv"},
         1,
         R"(7,2026-12-07T10:00:00.000Z,,lotes,ana\r,\u202Epc,,,,,'=1+2\x1B[2J\t.txt,"'-2,""q""",12,"-12,50",<sha>,"\x1B]52;c;ZWNobw==\x07",abc,3,,completada,0,a\b\u0085,)"
         "\r\n",
         csv},
        {{"--historial", "--formato=json"},
         1,
         R"({"id":7,"inicio":"2026-12-07T10:00:00.000Z","fin":"","modo":"lotes","usuario":"ana\u000d","equipo":"\u202epc","version":"","motor":"","servidor":"","base":"","archivo":"=1+2\u001b[2J\u0009.txt","ruta":"-2,\"q\"","tamano":12,"modificado":"-12,50","sha256":"<sha>","codigo":"\u001b]52;c;ZWNobw==\u0007","lineas":null,"filas":3,"corrida":"","resultado":"completada","error_numero":0,"error_descripcion":"a\\b\u0085","cadena":"","campos_danados":["lineas"]})",
         QString(csv).replace("\\x1B", "\x1B").replace("\\t", "\t").replace("abc", "None")},
        {{"--verificar", codigo, a},
         1,
         R"(«=1+2\x1B[2J\t.txt»  ana\r en \u202Epc  código \x1B]52)",
         {}},
        {{"--historial", "--comprobar"}, 1, R"(, archivo «=1+2\x1B[2J\t.txt»))", {}},
    };
    // No raw control, C1 or reordering character; CR only before LF.
    static const QRegularExpression crudo("[\\x00-\\x09\\x0B-\\x0C\\x0E-\\x1F\\x7F-\\x9F\\x{202A}-"
                                          "\\x{202E}\\x{2066}-\\x{2069}]|\\r(?!\\n)");
    for (const auto& [argumentos, estado, esperado, leido] : salidas) {
        const Salida s = carpeta.Correr(argumentos);
        const QString todo = s.salida + s.errores;
        QCOMPARE(s.estado, estado);
        QVERIFY2(todo.contains(QString(esperado).replace("<sha>", fila[Historial::Sha256])),
                 qPrintable(todo));
        QVERIFY2(!todo.contains(crudo), qPrintable(todo));
        carpeta.Escribir("salida", s.salida.toUtf8());
        if (!leido.isEmpty())
            QCOMPARE(LeidoPorPython(argumentos.constLast().section(u'=', -1),
                                    carpeta.Archivo("salida"), "archivo ruta lineas")
                         .replace(carpeta.Ruta(), "<carpeta>"),
                     leido);
    }
}

PRUEBAS_MAIN(PruebaLotes, QCoreApplication)
#include "tst_lotes.moc"
