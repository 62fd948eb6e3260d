#!/usr/bin/env python3
"""Three rows of a run history, chained as the README's "run history" section
says, written without any of the program's code: one INSERT a line, for
sqlite3 or psql to run on an empty Historial. The second row is a failed run
of a file with a name that is not ASCII.

    cadena_historial.py
"""
import hashlib

COLUMNAS = ["inicio", "fin", "modo", "usuario", "equipo", "version", "motor", "servidor",
            "base", "archivo", "ruta", "tamano", "modificado", "sha256", "codigo", "lineas",
            "filas", "corrida", "resultado", "error_numero", "error_descripcion"]
ENTEROS = {"tamano", "lineas", "filas", "error_numero"}


def fila(**valores):
    base = {"modo": "lotes", "usuario": "operadora", "equipo": "caja-1", "version": "1.0.0",
            "motor": "sqlite", "servidor": "", "base": "/srv/cobros/Cobranzia.mdb",
            "modificado": "2026-12-01T08:00:00.000Z", "sha256": "", "codigo": "",
            "filas": 0, "error_numero": 0, "error_descripcion": ""}
    base.update(valores)
    return base


FILAS = [
    fila(inicio="2026-12-01T09:00:00.000Z", fin="2026-12-01T09:00:01.250Z",
         archivo="enero.txt", ruta="/srv/cobros/enero.txt", tamano=24,
         sha256="0f" * 32, codigo="8736ABE95C69BB15F7683C0AEDA8B926", lineas=3, filas=2,
         corrida="1234567890123", resultado="completada"),
    fila(inicio="2026-12-02T10:30:00.000Z", fin="2026-12-02T10:30:00.500Z", modo="ventana",
         archivo="cobros año ñandú €.txt", ruta="/srv/cobros/cobros año ñandú €.txt",
         tamano=1048577, lineas=2, corrida="987", resultado="fallida",
         error_numero=-2147220802,
         error_descripcion="El archivo «cobros año ñandú €.txt» cambió mientras se leía"),
    fila(inicio="2026-12-03T11:00:00.000Z", fin="2026-12-03T11:00:02.000Z", motor="postgresql",
         servidor="127.0.0.1:5432", base="cobranzia", archivo="O'Brien.txt",
         ruta="/srv/cobros/O'Brien.txt", tamano=7, sha256="a1" * 32,
         codigo="00000000000000000000000000000000", lineas=1, filas=1, corrida="5",
         resultado="completada"),
]


def eslabon(anterior, valores):
    sha = hashlib.sha256(anterior.encode("ascii"))
    for columna in COLUMNAS:
        texto = str(valores[columna]).encode("utf-8")
        sha.update(str(len(texto)).encode("ascii") + b":" + texto + b"\n")
    return sha.hexdigest()


def literal(columna, valor):
    if columna in ENTEROS:
        return str(int(valor))
    return "'" + str(valor).replace("'", "''") + "'"


anterior = "0" * 64
for valores in FILAS:
    anterior = eslabon(anterior, valores)
    print("INSERT INTO Historial (%s, cadena) VALUES (%s, '%s')" % (
        ", ".join(COLUMNAS), ", ".join(literal(c, valores[c]) for c in COLUMNAS), anterior))
