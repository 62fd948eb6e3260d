#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// A debit file of `lineas` 60-character records with CR LF: a header, detail
// lines, a trailer; about 62 MB for a million lines.
inline void GenerarArchivo(const QString& ruta, int lineas) {
    QFile archivo(ruta);
    archivo.open(QIODevice::WriteOnly);
    QByteArray bloque;
    auto registro = [](char tipo, int n) {
        QByteArray r = tipo + QByteArray::number(n).rightJustified(8, '0') + "ES" +
                       QByteArray::number(qint64(n) * 7919 % 100000000).rightJustified(22, '0') +
                       QByteArray::number(n % 99991).rightJustified(12, '0') + "COBRO CUOTA";
        return r.leftJustified(60, ' ', true) + "\r\n";
    };
    bloque += registro('H', 0);
    for (int i = 1; i <= lineas - 2; ++i) {
        bloque += registro('D', i);
        if (bloque.size() > (1 << 20)) {
            archivo.write(bloque);
            bloque.clear();
        }
    }
    bloque += registro('T', lineas);
    archivo.write(bloque);
}
