// The order of the extract steps: each report procedure is run afresh just
// before its file is written, and its rows go to the file as they arrive;
// the SKU procedure runs twice.
#include "export/ExtractRun.h"

#include "data/Connection.h"
#include "data/FieldText.h"
#include "export/ExtractLayouts.h"
#include "export/ExtractStream.h"
#include "export/ExtractWriter.h"
#include "export/ReportCommands.h"

namespace tramex {
namespace {

class ExtractRunner {
  public:
    ExtractRunner(Connection& connection, const ParametrosEnvio& parameters,
                  const ExtractProgress& progress)
        : connection_(connection),
          arguments_(ReportArguments::From(parameters)),
          context_(ExtractContext::For(parameters.Fecha)),
          directory_(parameters.DirectorioDatos),
          progress_(progress) {}

    std::vector<ArchiveEntry> Run() {
        WriteStep("Generando archivo municipios. espere un momento...", MunicipiosLayout());
        WriteStep("Generando archivo tipos de negocio. espere un momento...",
                  TiposDeNegocioLayout());
        WriteStep("Generando archivo vendedores. espere un momento...", VendedoresLayout());
        WriteStep("Generando archivo clientes. espere un momento...", ClientesLayout());
        WriteStep("Generando archivo SKU. espere un momento...", SkuLayout());
        WriteStep("Generando archivo Rutas. espere un momento...", RutasLayout());
        InventarioStep();
        WriteStep("Generando archivo Ventas. espere un momento...", VentasLayout());
        LastValue total{kControlTotalColumn};
        WriteStep("Generando archivo Listado de Facturas. espere un momento...",
                  ListadoDeFacturasLayout(), &total);
        TotalesStep(total);
        return written_;
    }

  private:
    void Announce(const char* message) {
        if (progress_.stepStarted) progress_.stepStarted(message);
    }
    void Written(std::string_view fileName, std::size_t rows, const FileChecksum& checksum) {
        written_.push_back({std::string(fileName), checksum});
        if (progress_.fileWritten) progress_.fileWritten(std::string(fileName), rows);
    }

    ExtractStream StreamFor(const ExtractLayout& layout) {
        return ExtractStream(layout, context_, ExtractPath(directory_, layout.fileName),
                             progress_.betweenRows);
    }

    void WriteStep(const char* message, const ExtractLayout& layout, LastValue* last = nullptr) {
        Announce(message);
        ExtractStream stream = StreamFor(layout);
        if (last) stream.Track(*last);
        connection_.Query(ReportCommand(layout.source, arguments_), stream);
        const std::size_t rows = stream.Finish();
        Written(layout.fileName, rows, stream.Written());
    }

    // The title goes out before the SKU procedure runs again; should that run
    // fail, Inventario.txt is left holding its title alone and the error goes on.
    void InventarioStep() {
        const ExtractLayout& layout = InventarioLayout();
        Announce("Generando archivo Inventario. espere un momento...");
        ExtractStream stream = StreamFor(layout);
        stream.Create();
        try {
            connection_.Query(ReportCommand(layout.source, arguments_), stream);
        } catch (...) {
            stream.FinishWithTitleOnly();
            throw;
        }
        const std::size_t rows = stream.Finish();
        Written(layout.fileName, rows, stream.Written());
    }

    // TOTALCONTROL of the last sales row, kept while ListadodeFacturas.txt
    // was written.
    void TotalesStep(const LastValue& total) {
        Announce("Generando archivo Totales de Control. espere un momento...");
        if (!total.present) throw FieldNotFound(total.column);
        ExtractFile file(ExtractPath(directory_, kTotalesFileName));
        const std::size_t totals = WriteControlTotal(
            total.seen ? std::optional<std::string_view>(total.text) : std::nullopt, file.Output());
        file.Finish();
        Written(kTotalesFileName, totals, file.Output().Written());
    }

    Connection& connection_;
    const ReportArguments arguments_;
    const ExtractContext context_;
    const std::string directory_;
    const ExtractProgress& progress_;
    std::vector<ArchiveEntry> written_;
};

}  // namespace

std::vector<ArchiveEntry> WriteExtractFiles(Connection& connection,
                                            const ParametrosEnvio& parameters,
                                            const ExtractProgress& progress) {
    return ExtractRunner(connection, parameters, progress).Run();
}

}  // namespace tramex
