#include "dsn/CDSN.h"

#include "dsn/TextosDsn.h"
#include "platform/archivos/SistemaArchivos.h"
#include "platform/odbc/InstaladorOdbc.h"
#include "platform/proceso/ErrorEjecucion.h"
#include "platform/proceso/Rutas.h"

#include <exception>

namespace {

const QString kClaveRuta = QStringLiteral("DBQ");
const QString kEsquemaServidor = QStringLiteral("postgresql://");

// "DSN=name", NUL, "DBQ=path", NUL, any other attributes, and the list's
// closing NUL.
QByteArray ListaAtributos(const QString& fuente, const QString& base, const QByteArray& extra) {
    QByteArray lista = "DSN=" + fuente.toUtf8();
    lista.append('\0');
    lista += "DBQ=" + RutaABytes(base);
    lista.append('\0');
    lista += extra;
    lista.append('\0');
    return lista;
}

} // namespace

void CDSN::SetServidor(const DestinoPostgres& destino) {
    Servidor_ = true;
    DriverName_ = ControladorOdbcPostgres;
    // The server's own name for DBQ: the key that tells whether the data
    // source already points where it should.
    DatabaseName_ =
        QStringLiteral("%1%2@%3:%4/%5")
            .arg(kEsquemaServidor, destino.usuario, destino.servidor, destino.puerto, destino.base);
    QByteArray atributos = AtributosOdbcPostgres(DataSourceName_, destino);
    // Without its "DSN=name" piece and its closing NUL.
    Extra_ = atributos.mid(atributos.indexOf('\0') + 1).chopped(1);
}

void CDSN::Configurar(int32_t lAction) const {
    QString motivo;
    if (!Odbc::SQLConfigDataSource(nullptr, lAction, DriverName_,
                                   ListaAtributos(DataSourceName_, DatabaseName_, Extra_), &motivo))
        throw ErrorEjecucion(Errores::ErrorAplicacion + 601, motivo);
}

bool CDSN::CrearDSN(int32_t lAction) {
    try {
        QString guardada;
        const Odbc::ValorDsn leido = Odbc::LeerValorDsn(DataSourceName_, kClaveRuta);
        if (leido.existe) {
            if (leido.hayValor) {
                guardada = leido.valor;
                // The expected path is built from the data-source name.
                const QString esperada = Carpeta_ + u'/' + DataSourceName_ + QStringLiteral(".mdb");
                if (guardada != esperada) {
                    // Keys of the other engine would stay behind: the entry goes first.
                    if (lAction == Odbc::ODBC_ADD_DSN &&
                        guardada.startsWith(kEsquemaServidor) != Servidor_)
                        Configurar(Odbc::ODBC_REMOVE_DSN);
                    Configurar(lAction);
                }
            }
        }
        const bool llamar = (guardada.isEmpty() && lAction == Odbc::ODBC_ADD_DSN) ||
                            (!guardada.isEmpty() && lAction == Odbc::ODBC_REMOVE_DSN);
        if (llamar) {
            if (!Servidor_ && !ExisteArchivoOrdinario(DatabaseName_))
                throw ErrorEjecucion(DSN::ErrorBaseNoExiste, TextosDsn::BaseNoExiste);
            Configurar(lAction);
        }
        return true;
    } catch (const ErrorEjecucion& e) {
        ErrorDesc_ = TextosDsn::PrefijoError + e.Descripcion();
    } catch (const std::exception& e) {
        ErrorDesc_ = TextosDsn::PrefijoError + QString::fromLocal8Bit(e.what());
    }
    return false;
}
