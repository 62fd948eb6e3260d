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

// Inside a literal '' stands for one apostrophe. Both raise 20515 with a
// readable reason for anything else.
Seleccion LeerSeleccion(const QString& texto);
Formula LeerFormula(const QString& texto);

// The literal that LeerSeleccion and LeerFormula read back as `valor`.
QString LiteralFormula(const QString& valor);
