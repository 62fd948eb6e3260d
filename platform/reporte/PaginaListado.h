#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>

// What one page of a listing shows besides its fixed texts.
struct PaginaListado {
    qint64 numero = 0; // from 0
    qint64 total = 1;
    QStringList lineas;  // detail lines, long rows already wrapped
    bool cierre = false; // the closing line follows the detail lines
};

// The values the marks of a template's texts stand for, the same on every page.
struct ValoresListado {
    QHash<QString, QString> formulas;
    QDateTime impresion;
    qint64 filas = 0;
};
