#pragma once

#include <QString>

// The main window's texts and the names of its settings.
namespace TextosVentana {
inline const QString TituloVentana = QStringLiteral("Generación de código de control");
// Alt+A and Alt+C belong to the buttons.
inline const QString Etiqueta = QStringLiteral("A&rchivo");
inline const QString Aceptar = QStringLiteral("&Aceptar");
inline const QString Cancelar = QStringLiteral("&Cancelar");
inline const QString BuscarArchivo = QStringLiteral("Buscar archivo");
inline const QString DescripcionVentana =
    QStringLiteral("Genera el código de control de un archivo de débitos; Ctrl+H muestra el "
                   "historial de corridas y F1 los datos del programa");
inline const QString NombreRuta = QStringLiteral("Archivo de débitos");
inline const QString DescripcionRuta =
    QStringLiteral("Ruta del archivo de débitos cuyo código de control se genera");
inline const QString DescripcionBuscar =
    QStringLiteral("Abre un diálogo para elegir el archivo de débitos");
inline const QString DescripcionAceptar = QStringLiteral(
    "Guarda las líneas del archivo, genera su código de control y muestra el listado");
inline const QString DescripcionCancelar =
    QStringLiteral("Detiene la corrida en curso, o cierra la ventana");
inline const QString FiltroArchivos =
    QStringLiteral("Archivos de texto (*.txt)|*.txt|Todos los archivos (*.*)|*.*");
inline const QString Preparando = QStringLiteral("Preparando la base de datos…");
inline const QString Leidas = QStringLiteral("Leídas %1 líneas: %2 %");
inline const QString Quedan = QStringLiteral("\nQuedan unos %1 s");
inline const QString FilasGuardadas =
    QStringLiteral("\n\nLas filas del archivo se guardaron y su código de control es %1.");
inline const QString SoltarVarios =
    QStringLiteral("Se soltaron %1 elementos sobre la ventana: suelte un solo archivo de débitos.");
inline const QString SoltarCarpeta =
    QStringLiteral("«%1» es una carpeta: suelte un archivo de débitos, no una carpeta.");
inline const QString SoltarAjeno =
    QStringLiteral("«%1» no es un archivo de este equipo: suelte un archivo de débitos de una "
                   "carpeta del equipo.");

inline const QString TituloAcercaDe = QStringLiteral("Acerca de Cobranzia");
inline const QString AcercaDeVersion = QStringLiteral("Cobranzia %1");
inline const QString AcercaDeResumen =
    QStringLiteral("Genera el código de control de los archivos de débitos.");
inline const QString AcercaDeBaseArchivo = QStringLiteral("Base de datos: SQLite, archivo «%1»");
inline const QString AcercaDeBaseServidor =
    QStringLiteral("Base de datos: PostgreSQL, servidor %1:%2, base «%3», usuario «%4»");
inline const QString AcercaDeDatos = QStringLiteral("Carpeta de datos: %1");
inline const QString AcercaDeIni = QStringLiteral("Archivo de configuración: %1");
inline const QString AcercaDeLicencia = QStringLiteral("Licencia: %1");

inline const QString SeccionIni = QStringLiteral("General");
inline const QString ClaveUltRuta = QStringLiteral("UltRuta");
inline const QString ClaveUltRutaPdf = QStringLiteral("UltRutaPdf");
inline const QString ExtensionPdf = QStringLiteral(".pdf");
} // namespace TextosVentana
