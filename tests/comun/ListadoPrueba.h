#pragma once

#include <QString>
#include <QStringList>

class CarpetaPrueba;

// Helpers of the listing's tests.

// Appends rows of one file to table Datos of the folder's database, in order.
void GuardarFilas(const CarpetaPrueba& carpeta, const QString& archivo, const QStringList& filas);

// Runs one statement on the folder's database.
void EjecutarSql(const CarpetaPrueba& carpeta, const QString& sql);

// Registers the data source "Cobranzia" for the folder; fails the test when it cannot.
void RegistrarOrigen();

// The text of a PDF file as pdftotext reads it, with the layout kept.
QString TextoPdf(const QString& ruta);

// The lines of a PDF's text that are not blank, trimmed.
QStringList LineasPdf(const QString& ruta);
