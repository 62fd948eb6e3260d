#pragma once

#include <QString>

// The main window's texts and the names of its settings.
namespace TextosVentana {
inline const QString Etiqueta = QStringLiteral("Archivo");
inline const QString Aceptar = QStringLiteral("&Aceptar");
inline const QString Cancelar = QStringLiteral("&Cancelar");
inline const QString BuscarArchivo = QStringLiteral("Buscar archivo");
inline const QString FiltroArchivos =
    QStringLiteral("Archivos de texto (*.txt)|*.txt|Todos los archivos (*.*)|*.*");

inline const QString SeccionIni = QStringLiteral("General");
inline const QString ClaveUltRuta = QStringLiteral("UltRuta");
} // namespace TextosVentana
