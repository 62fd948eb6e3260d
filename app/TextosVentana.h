#pragma once

// The main window's texts and the names of its settings.
namespace TextosVentana {
inline constexpr char Etiqueta[] = "Archivo";
inline constexpr char Aceptar[] = "&Aceptar";
inline constexpr char Cancelar[] = "&Cancelar";
inline constexpr char BuscarArchivo[] = "Buscar archivo";
inline constexpr char FiltroArchivos[] =
    "Archivos de texto (*.txt)|*.txt|Todos los archivos (*.*)|*.*";

inline constexpr char ArchivoIni[] = "Cobranzia.dat";
inline constexpr char SeccionIni[] = "General";
inline constexpr char ClaveUltRuta[] = "UltRuta";
} // namespace TextosVentana
