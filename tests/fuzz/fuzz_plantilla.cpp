// The report template and the formulas: any text is read or refused with the
// program's error, and a value quoted as the listing writes it reads back.
#include "platform/base/LiteralSQL.h"
#include "platform/proceso/ErrorEjecucion.h"
#include "platform/reporte/LectorFormulas.h"
#include "platform/reporte/Plantilla.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t largo) {
    const QByteArray bytes(reinterpret_cast<const char*>(datos), qsizetype(largo));
    const QString texto = QString::fromUtf8(bytes);
    for (int i = 0; i < 3; ++i) {
        try {
            if (i == 0)
                LeerPlantillaDeTexto(bytes, QStringLiteral("fuzz.rpt"));
            else if (i == 1)
                LeerSeleccion(texto);
            else
                LeerFormula(texto);
        } catch (const ErrorEjecucion&) {
        }
    }
    const QString literal = CitarLiteral(texto);
    if (LeerFormula(QStringLiteral("Archivo = ") + literal).valor != texto ||
        LeerSeleccion(QStringLiteral("{Datos.t_archivo} = ") + literal).valor != texto)
        abort();
    return 0;
}
