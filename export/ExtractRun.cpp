// The order of the extract steps: each report procedure is run afresh just
// before its file is written; the SKU procedure runs twice.
#include "export/ExtractRun.h"

#include "data/Instantanea.h"
#include "export/ExtractLayouts.h"
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

    void Run() {
        WriteStep("Generando archivo municipios. espere un momento...", MunicipiosLayout());
        WriteStep("Generando archivo tipos de negocio. espere un momento...",
                  TiposDeNegocioLayout());
        WriteStep("Generando archivo vendedores. espere un momento...", VendedoresLayout());
        WriteStep("Generando archivo clientes. espere un momento...", ClientesLayout());
        Instantanea sku(&connection_);
        WriteStep("Generando archivo SKU. espere un momento...", SkuLayout(), sku);
        sku.Close();
        WriteStep("Generando archivo Rutas. espere un momento...", RutasLayout());
        InventarioStep(sku);
        WriteStep("Generando archivo Ventas. espere un momento...", VentasLayout());
        Instantanea sales(&connection_);
        WriteStep("Generando archivo Listado de Facturas. espere un momento...",
                  ListadoDeFacturasLayout(), sales);
        TotalesStep(sales);
    }

  private:
    void Announce(const char* message) {
        if (progress_.stepStarted) progress_.stepStarted(message);
    }
    void Written(std::string_view fileName, std::size_t rows) {
        if (progress_.fileWritten) progress_.fileWritten(std::string(fileName), rows);
    }

    void RunCommand(Instantanea& snapshot, std::string command) {
        snapshot.Close();
        snapshot.SetCommandText(std::move(command));
        snapshot.Open();
    }

    void WriteStep(const char* message, const ExtractLayout& layout, Instantanea& snapshot) {
        Announce(message);
        RunCommand(snapshot, ReportCommand(layout.source, arguments_));
        Written(layout.fileName, WriteExtractFile(snapshot, layout, context_, directory_));
    }

    // A snapshot used for one file only is released as soon as it is written.
    void WriteStep(const char* message, const ExtractLayout& layout) {
        Instantanea snapshot(&connection_);
        WriteStep(message, layout, snapshot);
    }

    // The title goes out before the SKU procedure runs again; should that run
    // fail, the file is left closed with its title and the error goes on.
    void InventarioStep(Instantanea& sku) {
        const ExtractLayout& layout = InventarioLayout();
        Announce("Generando archivo Inventario. espere un momento...");
        ExtractFile file(ExtractPath(directory_, layout.fileName));
        WriteTitle(layout, file.Output());
        std::size_t rows = 0;
        try {
            RunCommand(sku, sku.CommandText());
            rows = WriteRecords(sku, layout, context_, file.Output());
        } catch (...) {
            file.Abandon();
            throw;
        }
        file.Finish();
        sku.Close();
        Written(layout.fileName, rows);
    }

    void TotalesStep(Instantanea& sales) {
        Announce("Generando archivo Totales de Control. espere un momento...");
        ExtractFile file(ExtractPath(directory_, kTotalesFileName));
        const std::size_t totals = WriteControlTotal(sales, file.Output());
        file.Finish();
        sales.Close();
        Written(kTotalesFileName, totals);
    }

    Connection& connection_;
    const ReportArguments arguments_;
    const ExtractContext context_;
    const std::string directory_;
    const ExtractProgress& progress_;
};

}  // namespace

void WriteExtractFiles(Connection& connection, const ParametrosEnvio& parameters,
                       const ExtractProgress& progress) {
    ExtractRunner(connection, parameters, progress).Run();
}

}  // namespace tramex
