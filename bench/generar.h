#pragma once

#include "platform/base/BaseDatos.h"
#include "platform/proceso/ArchivosPrograma.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

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

// A program folder of its own in `dir`: the executable, the md5 library, the
// template and a fresh database.
inline QString CarpetaPrograma(const QTemporaryDir& dir, const QString& nombre) {
    const QString carpeta = dir.filePath(nombre);
    QDir().mkpath(carpeta);
    for (const char* archivo : {"cobranzia", "libmd5.so", "Cobranzia.rpt"})
        QFile::copy(QStringLiteral(COBRANZIA_PROGRAMA_DIR "/") + QLatin1String(archivo),
                    carpeta + u'/' + QLatin1String(archivo));
    QFile::setPermissions(carpeta + QStringLiteral("/cobranzia"),
                          QFile::ReadOwner | QFile::ExeOwner);
    bool creada = false;
    QString error;
    CrearBaseDatos(carpeta + QStringLiteral("/Cobranzia.mdb"), ArchivosPrograma::ContrasenaBase,
                   &creada, &error);
    return carpeta;
}
