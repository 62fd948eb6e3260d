#pragma once

#include <QString>

// The record-selection formula: "{tabla.campo} = 'texto'", or empty for every row.
struct Seleccion {
    bool vacia = true;
    QString tabla;
    QString campo;
    QString valor;
};

// A formula field set by the caller: "Nombre = 'texto'".
struct Formula {
    QString nombre;
    QString valor;
};

// The literals are read as platform/LiteralSQL.h spells them. Both raise 20515 with a
// readable reason for anything else.
Seleccion LeerSeleccion(const QString& texto);
Formula LeerFormula(const QString& texto);
