#include "util/Recorte.h"

QStringView RecortarEspacios(QStringView texto) {
    qsizetype inicio = 0;
    qsizetype fin = texto.size();
    while (inicio < fin && texto[inicio] == u' ')
        ++inicio;
    while (fin > inicio && texto[fin - 1] == u' ')
        --fin;
    return texto.sliced(inicio, fin - inicio);
}

void QuitarEspacios(QString& texto) {
    const QStringView recortado = RecortarEspacios(texto);
    if (recortado.size() == texto.size())
        return;
    const qsizetype inicio = recortado.data() - texto.constData();
    texto.truncate(inicio + recortado.size());
    texto.remove(0, inicio);
}
