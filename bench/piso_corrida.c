/* The floor of the batch run: the least a program can do for the same job,
 * in plain C over the SQLite C API and libmd. One transaction, the file's old
 * rows deleted, one prepared insert bound per detail line, the MD5 chain over
 * every line. Same schema and index as the program's database (the bench
 * creates it through the program's own function).
 *
 *   piso_corrida BASE ARCHIVO
 */
#include <md5.h>
#include <sqlite3.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char kHex[] = "0123456789ABCDEF";

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "uso: piso_corrida BASE ARCHIVO\n");
        return 2;
    }
    const char* nombre = strrchr(argv[2], '/') ? strrchr(argv[2], '/') + 1 : argv[2];
    FILE* archivo = fopen(argv[2], "rb");
    sqlite3* db = NULL;
    if (!archivo || sqlite3_open(argv[1], &db) != SQLITE_OK)
        return 1;
    sqlite3_exec(db, "PRAGMA cache_size=-16384", NULL, NULL, NULL);
    sqlite3_exec(db, "BEGIN IMMEDIATE", NULL, NULL, NULL);
    sqlite3_stmt* borrar = NULL;
    sqlite3_stmt* insertar = NULL;
    sqlite3_prepare_v2(db, "DELETE FROM Datos WHERE t_archivo = ?", -1, &borrar, NULL);
    sqlite3_prepare_v2(db, "INSERT INTO Datos (t_datos, t_archivo) VALUES (?, ?)", -1, &insertar,
                       NULL);
    sqlite3_bind_text(borrar, 1, nombre, -1, SQLITE_STATIC);
    sqlite3_step(borrar);
    sqlite3_bind_text(insertar, 2, nombre, -1, SQLITE_STATIC);

    char codigo[33] = "";
    size_t largoCodigo = 0;
    char* linea = NULL;
    size_t capacidad = 0;
    ssize_t largo;
    char* entrada = NULL;
    size_t capacidadEntrada = 0;
    while ((largo = getline(&linea, &capacidad, archivo)) >= 0) {
        if (largo > 0 && linea[largo - 1] == '\n')
            --largo;
        if (largo > 0 && linea[largo - 1] == '\r')
            --largo;
        char* inicio = linea;
        while (largo > 0 && *inicio == ' ')
            ++inicio, --largo;
        while (largo > 0 && inicio[largo - 1] == ' ')
            --largo;
        if (largo == 0 || (*inicio != 'T' && *inicio != 'H')) {
            if (largo == 0)
                sqlite3_bind_null(insertar, 1);
            else
                sqlite3_bind_text(insertar, 1, inicio, (int)largo, SQLITE_STATIC);
            if (sqlite3_step(insertar) != SQLITE_DONE)
                return 1;
            sqlite3_reset(insertar);
        }
        if ((size_t)largo + largoCodigo > capacidadEntrada) {
            capacidadEntrada = (size_t)largo + largoCodigo + 64;
            entrada = realloc(entrada, capacidadEntrada);
        }
        memcpy(entrada, inicio, (size_t)largo);
        memcpy(entrada + largo, codigo, largoCodigo);
        unsigned char digest[MD5_DIGEST_LENGTH];
        MD5_CTX contexto;
        MD5Init(&contexto);
        MD5Update(&contexto, (const unsigned char*)entrada, (size_t)largo + largoCodigo);
        MD5Final(digest, &contexto);
        for (int i = 0; i < MD5_DIGEST_LENGTH; ++i) {
            codigo[2 * i] = kHex[digest[i] >> 4];
            codigo[2 * i + 1] = kHex[digest[i] & 15];
        }
        largoCodigo = 32;
    }
    if (sqlite3_exec(db, "COMMIT", NULL, NULL, NULL) != SQLITE_OK)
        return 1;
    printf("%s\n", codigo);
    sqlite3_finalize(borrar);
    sqlite3_finalize(insertar);
    sqlite3_close(db);
    fclose(archivo);
    free(linea);
    free(entrada);
    return 0;
}
