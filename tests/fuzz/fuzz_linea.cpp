// The command line and its dates: any arguments give a mode, never an
// exception, and a usage error always says why; a date written either way
// the usage names reads back as that day.
#include "run/LineaOrdenes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t largo) {
    const QStringList argumentos =
        QString::fromUtf8(reinterpret_cast<const char*>(datos), qsizetype(largo)).split(QChar(0));
    const LineaOrdenes linea = LeerLineaOrdenes(argumentos);
    if ((linea.modo == LineaOrdenes::Modo::MalUso) == linea.error.isEmpty())
        abort();
    if (largo < 4)
        return 0;
    const QDate dia = QDate(1, 1, 1).addDays((datos[0] | datos[1] << 8 | datos[2] << 16) % 3652059);
    for (const char* formato : {"yyyy-MM-dd", "dd/MM/yyyy", "d/M/yyyy"}) {
        const QString texto = dia.toString(QLatin1String(formato));
        const LineaOrdenes historial =
            LeerLineaOrdenes({QStringLiteral("--historial"), QStringLiteral("--desde"), texto,
                              QStringLiteral("--hasta"), texto});
        if (historial.modo != LineaOrdenes::Modo::Historial || historial.desde != dia ||
            historial.hasta != dia)
            abort();
    }
    return 0;
}
