#pragma once

#include "run/ListaHistorial.h"

#include <QString>
#include <QStringList>

// The run history dialog's texts; the columns' names and the time's format
// are batch mode's too.
namespace TextosHistorial {
inline const QString Titulo = QStringLiteral("Historial de corridas");
inline const QString EtiquetaArchivo = QStringLiteral("&Archivo:");
inline const QString NombreFiltro = QStringLiteral("Filtro por archivo");
inline const QString DescripcionFiltro =
    QStringLiteral("Muestra solo las corridas de los archivos cuyo nombre contiene este texto");
inline const QString NombreTabla = QStringLiteral("Corridas");
inline const QString DescripcionTabla =
    QStringLiteral("Cada intento de corrida, el más reciente primero; Ctrl+C copia las filas "
                   "elegidas; Ctrl+1 a Ctrl+7, o un clic en un encabezado, ordenan por esa "
                   "columna, y otra vez al revés");
inline const QString Copiar = QStringLiteral("&Copiar");
inline const QString DescripcionCopiar =
    QStringLiteral("Copia las filas elegidas al portapapeles, como texto separado por tabuladores");
inline const QString VerListado = QStringLiteral("&Ver listado");
inline const QString DescripcionVerListado =
    QStringLiteral("Muestra el listado de las filas que guardó la corrida elegida");
inline const QString Reemplazada =
    QStringLiteral("Las filas de esta corrida ya no están en la base: otra corrida del mismo "
                   "archivo las reemplazó.");
inline const QString Inconclusa = QStringLiteral("La corrida no terminó: no guardó filas.");
inline const QString SinEleccion = QStringLiteral("Elija una sola corrida de la lista.");
inline const QString BorrarFiltro = QStringLiteral("Borrar el filtro");
inline const QString DescripcionMotivo =
    QStringLiteral("Por qué no se puede ver el listado de la corrida elegida");
inline const QString Cerrar = QStringLiteral("Ce&rrar");
inline const QString DescripcionCerrar = QStringLiteral("Cierra el historial de corridas");

// The table's headings, in column order.
inline const QStringList Columnas = {Fecha, Archivo, Codigo, Filas, Usuario, Equipo, Resultado};
inline const QString Completada = QStringLiteral("Completada");
inline const QString Fallida = QStringLiteral("Fallida: %1");
inline const QString Cancelada = QStringLiteral("Cancelada");

inline const QString NoSeLee = QStringLiteral("No se pudo leer el historial de corridas: %1");
} // namespace TextosHistorial
