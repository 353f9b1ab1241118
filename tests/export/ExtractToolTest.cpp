// The tramex-extract tool: its options, and runs of the built executable
// against a throwaway database.
#include "ReportDatabase.h"

#include "export/ExtractCommandLine.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

namespace tramex::test {
namespace {

using namespace std::chrono;

struct ToolResult {
    int exitCode;
    std::string out;
    std::string err;
};

ToolResult RunTool(const QStringList& arguments) {
    QProcess tool;
    tool.start(TRAMEX_BINARY_DIR "/tramex-extract", arguments);
    if (!tool.waitForFinished(60000)) return {-1, "", "did not finish"};
    return {tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1,
            tool.readAllStandardOutput().toStdString(), tool.readAllStandardError().toStdString()};
}

TEST(ExtractCommandLine, ReadsEveryOptionAndDefaultsTheBranchToAll) {
    const ExtractCommandLine line = ParseExtractCommandLine(
        {"--out", "/tmp/d", "--family", "01", "--date", "2019-09-27", "--database",
         "server:/data/quintor.fdb", "--user", "SYSDBA", "--password", "pw"});
    EXPECT_EQ(line.database, "server:/data/quintor.fdb");
    EXPECT_EQ(line.user, "SYSDBA");
    EXPECT_EQ(line.password, "pw");
    EXPECT_EQ(line.parameters.Fecha, 2019y / September / 27d);
    EXPECT_EQ(line.parameters.Familia, "01");
    EXPECT_EQ(line.parameters.DirectorioDatos, "/tmp/d");
    EXPECT_EQ(line.parameters.IdAgencia, "0");

    const ExtractCommandLine branch = ParseExtractCommandLine(
        {"--database", "x", "--date", "2020-02-29", "--family", "", "--out", "o", "--branch", "7"});
    EXPECT_EQ(branch.parameters.IdAgencia, "7");
    EXPECT_FALSE(branch.user.has_value());
}

TEST(ExtractCommandLine, RejectsBadDatesUnknownOptionsAndMissingValues) {
    const std::vector<std::string> base = {"--database", "x", "--family", "01", "--out", "o"};
    auto with = [&](std::vector<std::string> extra) {
        std::vector<std::string> all = base;
        all.insert(all.end(), extra.begin(), extra.end());
        return all;
    };
    for (const char* date :
         {"2019-02-29", "2019-13-01", "2019/09/27", "19-09-27", "2019-9-27", "2019-09-2x"})
        EXPECT_THROW(ParseExtractCommandLine(with({"--date", date})), UsageError) << date;
    EXPECT_THROW(ParseExtractCommandLine(with({"--date", "2019-09-27", "--verbose", "1"})),
                 UsageError);
    EXPECT_THROW(ParseExtractCommandLine(with({"--date", "2019-09-27", "--branch"})), UsageError);
    EXPECT_THROW(ParseExtractCommandLine(base), UsageError);
}

TEST(ExtractTool, WritesTheFilesAndPrintsEachRowCount) {
    ReportDatabase db;
    db.Db().Close();  // the embedded engine lets one process at a time open the file
    const std::string out = db.DataDirectory();

    const ToolResult result = RunTool({"--database", QString::fromStdString(db.Path()), "--user",
                                       "SYSDBA", "--date", "2019-09-30", "--branch", "0",
                                       "--family", "01", "--out", QString::fromStdString(out)});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out,
              "Municipios.txt: 2\nTiposDeNegocio.txt: 1\nVendedores.txt: 1\nClientes.txt: 2\n"
              "SKU.txt: 2\nRutas.txt: 1\nInventario.txt: 2\nVentas.txt: 2\n"
              "ListadodeFacturas.txt: 2\nTotalesdeControl.txt: 1\n");
    EXPECT_EQ(result.err, "");
    QFile routes(QString::fromStdString(out) + "/Rutas.txt");
    ASSERT_TRUE(routes.open(QIODevice::ReadOnly));
    EXPECT_EQ(
        routes.readAll().toStdString(),
        "CodigoVendedor{CodigoCliente{Mes{DiaSemana{Frecuencia{\r\nV01{C001{09{1{SEMANAL{\r\n");
}

TEST(ExtractTool, FailuresExitNonZeroWithTheErrorOnStandardError) {
    ReportDatabase db;
    db.Db().Close();
    const QString out = QString::fromStdString(db.DataDirectory());
    const QString database = QString::fromStdString(db.Path());

    ToolResult bad = RunTool({"--database", database, "--date", "2019-09-30", "--branch", "1;",
                              "--family", "01", "--out", out});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_EQ(bad.err, "Código de agencia inválido: 1;\n");
    EXPECT_EQ(bad.out, "");

    ToolResult missing = RunTool(
        {"--database", database + ".nada", "--date", "2019-09-30", "--family", "01", "--out", out});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.err.rfind("Database Error: ", 0), 0u) << missing.err;

    ToolResult usage = RunTool({"--database", database, "--family", "01", "--out", out});
    EXPECT_EQ(usage.exitCode, 2);
    EXPECT_EQ(usage.err.rfind("Falta la opción --date\nUso: tramex-extract", 0), 0u) << usage.err;
}

}  // namespace
}  // namespace tramex::test
