#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

// What the command line asks for. Only the program's own options select batch
// mode; options of Qt's (-style, -platform, -reverse...) are the window's, and
// a file named on its own opens the window with that file chosen.
struct LineaOrdenes {
    enum class Modo { Ventana, Procesar, Verificar, Historial, Ayuda, Version, MalUso };
    Modo modo = Modo::Ventana;
    QString archivo; // --procesar's, --verificar's, --historial's or the window's file
    QString codigo;  // --verificar's
    QString listado; // --listado's
    bool conListado = false;
    QString datos;    // --datos, empty when not given
    QString servidor; // --servidor, empty when not given
    QString error;    // why the call is a bad one, with MalUso
    // --historial's: the format ("tabla", "csv" or "json"), the local days
    // (invalid when not given), or the chain's check instead of a listing.
    QString formato = QStringLiteral("tabla");
    QDate desde;
    QDate hasta;
    bool comprobar = false;
};

// Reads the arguments after the program's name. Never raises: a bad call
// comes back as Modo::MalUso with the reason in Spanish.
LineaOrdenes LeerLineaOrdenes(const QStringList& argumentos);

namespace TextosLinea {
inline const QString QtSoloVentana =
    QStringLiteral("las opciones de Qt solo sirven para la ventana");
inline const QString ListadoSinProcesar = QStringLiteral("--listado solo acompaña a --procesar");
inline const QString ListadoSinNombre =
    QStringLiteral("--listado necesita el nombre de un archivo PDF");
inline const QString Necesita = QStringLiteral("%1 necesita %2");
inline const QString UnArchivo = QStringLiteral("un ARCHIVO");
inline const QString UnCodigo = QStringLiteral("un CODIGO");
inline const QString UnaSalida = QStringLiteral("una SALIDA.pdf");
inline const QString UnaCarpeta = QStringLiteral("una CARPETA");
inline const QString UnaCadena = QStringLiteral("una CADENA de conexión");
inline const QString VerificarIncompleto =
    QStringLiteral("--verificar necesita un CODIGO y un ARCHIVO");
inline const QString Sobra = QStringLiteral("sobra el argumento «%1»");
inline const QString Desconocida = QStringLiteral("opción desconocida «%1»");
inline const QString Incompatibles = QStringLiteral("opciones incompatibles");
inline const QString Vacia =
    QStringLiteral("%1 está vacío: diga una carpeta o una cadena, o no lo use");
inline const QString UnFormato = QStringLiteral("un FORMATO");
inline const QString UnaFecha = QStringLiteral("una FECHA");
inline const QString SoloHistorial = QStringLiteral("%1 solo acompaña a --historial");
inline const QString NoEsFormato =
    QStringLiteral("«%1» no es un formato de --formato: diga tabla, csv o json");
inline const QString NoEsFecha =
    QStringLiteral("«%2» no es una fecha de %1: escríbala AAAA-MM-DD o DD/MM/AAAA");
inline const QString Repetida =
    QStringLiteral("%1 se dio dos veces: diga cada opción una sola vez");
inline const QString SinValor = QStringLiteral("%1 no lleva valor");
inline const QString HistorialVacio =
    QStringLiteral("--historial con un ARCHIVO vacío: diga un nombre, o ninguno para todos");
inline const QString DesdeTrasHasta = QStringLiteral("--desde es posterior a --hasta");
inline const QString ComprobarSolo =
    QStringLiteral("--comprobar recorre el historial entero: no admite ARCHIVO, --formato, "
                   "--desde ni --hasta");
inline const QString Uso = QStringLiteral(
    "Uso: cobranzia [opciones de Qt] [--datos CARPETA] [--servidor CADENA] [ARCHIVO]\n"
    "     cobranzia --procesar ARCHIVO [--listado SALIDA.pdf] [--datos CARPETA]\n"
    "               [--servidor CADENA]\n"
    "     cobranzia --verificar CODIGO ARCHIVO\n"
    "     cobranzia --historial [ARCHIVO] [--formato tabla|csv|json] [--desde FECHA]\n"
    "               [--hasta FECHA] [--datos CARPETA] [--servidor CADENA]\n"
    "     cobranzia --historial --comprobar [--datos CARPETA] [--servidor CADENA]\n"
    "     cobranzia --help | --version\n");
} // namespace TextosLinea
