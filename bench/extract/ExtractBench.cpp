// Export benchmark: times a whole ten-file run against the engine producing
// the sales-detail rows alone (count(*) in isql-fb) and isql-fb printing them,
// and reports the run's peak memory.
#include "data/Connection.h"
#include "data/Instantanea.h"
#include "export/ExtractCommandLine.h"
#include "export/ExtractLayouts.h"
#include "export/ExtractRun.h"
#include "export/ExtractWriter.h"
#include "export/ReportCommands.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryFile>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace tramex;
using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double PeakMemoryMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // Linux reports KiB
}

// Runs one statement through isql-fb; output goes to /dev/null unless kept.
double TimeIsql(const ExtractCommandLine& line, const std::string& statement, std::string* output) {
    QTemporaryFile script;
    script.open();
    script.write((statement + ";\n").c_str());
    script.flush();

    QStringList arguments = {"-q", "-u", QString::fromStdString(line.user.value_or("SYSDBA"))};
    if (line.password) arguments << "-p" << QString::fromStdString(*line.password);
    arguments << QString::fromStdString(line.database);
    QProcess isql;
    isql.setStandardInputFile(script.fileName());
    if (!output) isql.setStandardOutputFile(QProcess::nullDevice());
    const Clock::time_point start = Clock::now();
    isql.start("isql-fb", arguments);
    if (!isql.waitForFinished(-1) || isql.exitCode() != 0)
        throw Error("isql-fb failed: " + isql.readAllStandardError().toStdString());
    const double seconds = SecondsSince(start);
    if (output) *output = isql.readAllStandardOutput().toStdString();
    return seconds;
}

void OpenConnection(Connection& connection, const ExtractCommandLine& line) {
    connection.SetEntry("Database", line.database);
    if (line.user) connection.SetEntry("User_Name", *line.user);
    if (line.password) connection.SetEntry("Password", *line.password);
    connection.Open();
}

// Rows through the Firebird layer without a snapshot: what the engine and the
// client cost inside this process before anything is kept.
class CountingSink : public ResultSink {
  public:
    void BeginResult(std::vector<FieldDef>, std::vector<std::string>) override {}
    void Row(const std::vector<CellValue>&) override { ++rows; }
    std::size_t rows = 0;
};

double TimeStreamedRows(const ExtractCommandLine& line, const std::string& command) {
    const Clock::time_point start = Clock::now();
    Connection connection;
    OpenConnection(connection, line);
    CountingSink sink;
    connection.Query(command, sink);
    connection.Close();
    const double seconds = SecondsSince(start);
    std::printf(
        "streamed through the Firebird layer: %zu rows in %.2f s, peak memory so far %.1f MiB\n",
        sink.rows, seconds, PeakMemoryMiB());
    return seconds;
}

// Every procedure execution of a run, counted in one isql-fb session.
std::string AllProcedureCounts(const ExtractCommandLine& line) {
    const ReportArguments arguments = ReportArguments::From(line.parameters);
    std::string script;
    for (ReportProcedure procedure :
         {ReportProcedure::Municipios, ReportProcedure::TipoNegocio, ReportProcedure::Vendedores,
          ReportProcedure::Clientes, ReportProcedure::Sku, ReportProcedure::Rutas,
          ReportProcedure::Sku, ReportProcedure::VentasDetalle, ReportProcedure::Ventas}) {
        if (!script.empty()) script += ";\n";
        script += "select count(*)" + ReportCommand(procedure, arguments).substr(8);
    }
    return script;
}

// The whole run, with the time each step took.
double TimeExport(const ExtractCommandLine& line) {
    std::vector<std::pair<std::string, Clock::time_point>> steps;
    ExtractProgress progress;
    progress.stepStarted = [&](const std::string& message) {
        steps.emplace_back(message, Clock::now());
    };
    progress.fileWritten = [&](const std::string& fileName, std::size_t rows) {
        std::printf("  %-24s %9zu rows  %6.2f s\n", fileName.c_str(), rows,
                    SecondsSince(steps.back().second));
    };
    const Clock::time_point start = Clock::now();
    Connection connection;
    OpenConnection(connection, line);
    WriteExtractFiles(connection, line.parameters, progress);
    connection.Close();
    return SecondsSince(start);
}

// Ventas.txt alone, split into running the procedure into the snapshot and
// writing the file from it.
void SalesBreakdown(const ExtractCommandLine& line) {
    Connection connection;
    OpenConnection(connection, line);
    Instantanea detail(&connection);
    detail.SetCommandText(
        ReportCommand(ReportProcedure::VentasDetalle, ReportArguments::From(line.parameters)));
    Clock::time_point start = Clock::now();
    detail.Open();
    const double fetch = SecondsSince(start);
    start = Clock::now();
    WriteExtractFile(detail, VentasLayout(), ExtractContext::For(line.parameters.Fecha),
                     line.parameters.DirectorioDatos);
    const double write = SecondsSince(start);
    std::printf("Ventas.txt breakdown: procedure into snapshot %.2f s, file from snapshot %.2f s\n",
                fetch, write);
    detail.Close();
    connection.Close();
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const ExtractCommandLine line =
            ParseExtractCommandLine(std::vector<std::string>(argv + 1, argv + argc));
        const std::string detailCommand =
            ReportCommand(ReportProcedure::VentasDetalle, ReportArguments::From(line.parameters));
        const std::string countCommand = "select count(*)" + detailCommand.substr(8);

        std::string counted;
        TimeIsql(line, countCommand, nullptr);  // warms the system's file cache for every pass
        const double engine = TimeIsql(line, countCommand, &counted);
        std::printf("engine, %s: %.2f s\n%s\n", countCommand.c_str(), engine, counted.c_str());
        const double engineAll = TimeIsql(line, AllProcedureCounts(line), nullptr);
        std::printf("engine, count(*) over all nine procedure runs of an export: %.2f s\n",
                    engineAll);
        const double streamed = TimeStreamedRows(line, detailCommand);

        std::printf("export, ten files:\n");
        const double exported = TimeExport(line);
        const double peak = PeakMemoryMiB();
        const double ventas =
            static_cast<double>(
                QFileInfo(QString::fromStdString(line.parameters.DirectorioDatos + "/Ventas.txt"))
                    .size()) /
            (1024.0 * 1024.0);

        const double printed = TimeIsql(line, detailCommand, nullptr);

        std::printf("export total:        %.2f s\n", exported);
        std::printf("engine (count):      %.2f s\n", engine);
        std::printf("isql-fb printing:    %.2f s\n", printed);
        std::printf("engine (all runs):   %.2f s\n", engineAll);
        std::printf("layer, streamed:     %.2f s\n", streamed);
        std::printf("export / engine:     %.2f (goal <= 1.5)\n", exported / engine);
        std::printf("export / engine all: %.2f\n", exported / engineAll);
        std::printf("isql-fb / engine:    %.2f\n", printed / engine);
        std::printf("export / isql-fb:    %.2f\n", exported / printed);
        std::printf(
            "peak memory:         %.1f MiB (goal < 2 x Ventas.txt %.1f MiB + 64 = %.1f MiB)\n",
            peak, ventas, 2 * ventas + 64);
        SalesBreakdown(line);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
