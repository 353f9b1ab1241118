// Export benchmark: a whole ten-file run against its floor, a bare client
// fetching the rows of the same nine procedure runs (fetchNext into the
// statement's own message, nothing else), each measured in a process of its
// own so that each has its own peak memory; rounds alternate and the medians
// are reported.
#include "data/Connection.h"
#include "data/FbClient.h"
#include "export/ExtractCommandLine.h"
#include "export/ExtractRun.h"
#include "export/ReportCommands.h"

#include <QProcess>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace tramex;
using Clock = std::chrono::steady_clock;
using Firebird::IAttachment;
using Firebird::IResultSet;
using Firebird::IStatement;
using Firebird::ITransaction;

struct Figures {
    double seconds = 0;
    double cpuSeconds = 0;  // user + system: steadier than wall time on a shared machine
    double peakMiB = 0;
    std::size_t rows = 0;
};

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void TakeUsage(Figures& figures) {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    figures.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;  // Linux reports KiB
    const auto seconds = [](const timeval& time) {
        return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
    };
    figures.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The nine procedure runs of an export, in its order.
constexpr ReportProcedure kExportRuns[] = {
    ReportProcedure::Municipios, ReportProcedure::TipoNegocio,   ReportProcedure::Vendedores,
    ReportProcedure::Clientes,   ReportProcedure::Sku,           ReportProcedure::Rutas,
    ReportProcedure::Sku,        ReportProcedure::VentasDetalle, ReportProcedure::Ventas};

std::size_t FetchAll(IAttachment* attachment, ITransaction* transaction,
                     Firebird::ThrowStatusWrapper* status, const std::string& command) {
    fb::Ref<IStatement> statement(attachment->prepare(status, transaction, 0, command.c_str(), 3,
                                                      IStatement::PREPARE_PREFETCH_METADATA));
    fb::Ref<Firebird::IMessageMetadata> metadata(statement->getOutputMetadata(status));
    std::vector<unsigned char> message(metadata->getMessageLength(status));
    fb::Ref<IResultSet> cursor(
        statement->openCursor(status, transaction, nullptr, nullptr, nullptr, 0));
    std::size_t rows = 0;
    while (cursor->fetchNext(status, message.data()) == Firebird::IStatus::RESULT_OK) ++rows;
    cursor->close(status);
    cursor.Forget();
    return rows;
}

Figures BareFetch(const ExtractCommandLine& line) {
    const Clock::time_point start = Clock::now();
    Firebird::IMaster* master = fb::MasterOf(Connection().LibraryName());
    Figures figures;
    try {
        fb::Status status(master);
        fb::Owned<Firebird::IXpbBuilder> dpb(master->getUtilInterface()->getXpbBuilder(
            status.Get(), Firebird::IXpbBuilder::DPB, nullptr, 0));
        dpb->insertString(status.Get(), isc_dpb_user_name, line.user.value_or("SYSDBA").c_str());
        if (line.password)
            dpb->insertString(status.Get(), isc_dpb_password, line.password->c_str());
        fb::Ref<IAttachment> attachment(master->getDispatcher()->attachDatabase(
            status.Get(), line.database.c_str(), dpb->getBufferLength(status.Get()),
            dpb->getBuffer(status.Get())));
        // The program's own transaction kind, so that only the fetching differs.
        fb::Owned<Firebird::IXpbBuilder> tpb(master->getUtilInterface()->getXpbBuilder(
            status.Get(), Firebird::IXpbBuilder::TPB, nullptr, 0));
        for (int tag : {isc_tpb_read_committed, isc_tpb_rec_version, isc_tpb_wait, isc_tpb_write})
            tpb->insertTag(status.Get(), tag);
        fb::Ref<ITransaction> transaction(attachment->startTransaction(
            status.Get(), tpb->getBufferLength(status.Get()), tpb->getBuffer(status.Get())));
        const ReportArguments arguments = ReportArguments::From(line.parameters);
        for (ReportProcedure procedure : kExportRuns) {
            const std::size_t rows = FetchAll(attachment.Get(), transaction.Get(), status.Get(),
                                              ReportCommand(procedure, arguments));
            if (procedure == ReportProcedure::VentasDetalle) figures.rows = rows;
        }
        transaction->commit(status.Get());
        transaction.Forget();
        attachment->detach(status.Get());
        attachment.Forget();
    } catch (const Firebird::FbException& error) {
        fb::RaiseDatabaseError(master, error, "Bare fetch");
    }
    figures.seconds = SecondsSince(start);
    return figures;
}

Figures Export(const ExtractCommandLine& line) {
    const Clock::time_point start = Clock::now();
    Figures figures;
    ExtractProgress progress;
    progress.fileWritten = [&](const std::string& fileName, std::size_t rows) {
        if (fileName == "Ventas.txt") figures.rows = rows;
    };
    Connection connection;
    connection.SetEntry("Database", line.database);
    if (line.user) connection.SetEntry("User_Name", *line.user);
    if (line.password) connection.SetEntry("Password", *line.password);
    connection.Open();
    WriteExtractFiles(connection, line.parameters, progress);
    connection.Close();
    figures.seconds = SecondsSince(start);
    return figures;
}

// One measurement in this process, printed for the driver to read.
int Measure(const std::string& what, const ExtractCommandLine& line) {
    Figures figures = what == "bare" ? BareFetch(line) : Export(line);
    TakeUsage(figures);
    std::printf("%.3f %.3f %.1f %zu\n", figures.seconds, figures.cpuSeconds, figures.peakMiB,
                figures.rows);
    return 0;
}

Figures MeasureInChild(const std::string& what, const QStringList& arguments) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start("/proc/self/exe", QStringList(arguments)
                                      << "--measure" << QString::fromStdString(what));
    if (!child.waitForFinished(-1) || child.exitCode() != 0)
        throw Error(what + " measurement failed");
    Figures figures;
    const std::string output = child.readAllStandardOutput().toStdString();
    if (std::sscanf(output.c_str(), "%lf %lf %lf %zu", &figures.seconds, &figures.cpuSeconds,
                    &figures.peakMiB, &figures.rows) != 4)
        throw Error(what + " measurement printed: " + output);
    std::printf("  %-7s %6.2f s  cpu %6.2f s  peak %6.1f MiB  %zu sales-detail rows\n",
                what.c_str(), figures.seconds, figures.cpuSeconds, figures.peakMiB, figures.rows);
    return figures;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Each figure's own median over the rounds.
Figures Medians(const std::vector<Figures>& rounds) {
    const auto median = [&](double Figures::*figure) {
        std::vector<double> values;
        for (const Figures& round : rounds) values.push_back(round.*figure);
        return Median(values);
    };
    return Figures{median(&Figures::seconds), median(&Figures::cpuSeconds),
                   median(&Figures::peakMiB), rounds.front().rows};
}

int Drive(int rounds, const QStringList& arguments) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each line as it comes, also into a log file
    std::printf("warm-up (not counted):\n");
    MeasureInChild("bare", arguments);
    std::vector<Figures> bare, exported;
    for (int round = 1; round <= rounds; ++round) {
        std::printf("round %d:\n", round);
        bare.push_back(MeasureInChild("bare", arguments));
        exported.push_back(MeasureInChild("export", arguments));
    }
    const Figures floor = Medians(bare), run = Medians(exported);
    std::printf("medians of %d rounds:\n", rounds);
    std::printf("bare fetch:  %.2f s (cpu %.2f s), peak %.1f MiB\n", floor.seconds,
                floor.cpuSeconds, floor.peakMiB);
    std::printf("export:      %.2f s (cpu %.2f s), peak %.1f MiB\n", run.seconds, run.cpuSeconds,
                run.peakMiB);
    std::printf("time ratio:  %.2f (cpu %.2f; goal <= 1.2)\n", run.seconds / floor.seconds,
                run.cpuSeconds / floor.cpuSeconds);
    std::printf("peak excess: %.1f MiB (goal <= 32)\n", run.peakMiB - floor.peakMiB);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        std::vector<std::string> options(argv + 1, argv + argc);
        QStringList forwarded;
        std::string measure;
        int rounds = 3;
        for (std::size_t i = 0; i < options.size(); ++i) {
            if (options[i] == "--measure" && i + 1 < options.size()) {
                measure = options[++i];
            } else if (options[i] == "--rounds" && i + 1 < options.size()) {
                rounds = std::max(1, std::stoi(options[++i]));
            } else {
                forwarded << QString::fromStdString(options[i]);
            }
        }
        std::vector<std::string> lineOptions;
        for (const QString& option : forwarded) lineOptions.push_back(option.toStdString());
        const ExtractCommandLine line = ParseExtractCommandLine(lineOptions);
        if (!measure.empty()) return Measure(measure, line);
        return Drive(rounds, forwarded);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
