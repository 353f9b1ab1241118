// Whole runs against a throwaway database: the ten files byte for byte, the
// steps announced, and where a run stops when a procedure or a file fails.
#include "ReportDatabase.h"

#include "data/DatabaseError.h"
#include "data/DecimalText.h"
#include "export/ExtractFileError.h"
#include "export/ExtractRun.h"
#include "export/ReportCommands.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <filesystem>
#include <utility>
#include <vector>

namespace tramex::test {
namespace {

using namespace std::chrono;

const char kInventarioTitle[] = "Fecha{CodigoProducto{Cantidad{Unidad{\r\n";

std::string ReadFile(const std::string& directory, const char* name) {
    QFile file(QString::fromStdString(directory) + "/" + name);
    if (!file.open(QIODevice::ReadOnly)) return "<missing>";
    return file.readAll().toStdString();
}

void WriteFile(const std::string& directory, const char* name, const char* bytes) {
    QFile file(QString::fromStdString(directory) + "/" + name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Whether this process still holds a descriptor on the file.
bool HeldOpen(const std::string& path) {
    const std::string wanted = std::filesystem::canonical(path).string();
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const auto target = std::filesystem::read_symlink(entry.path(), error);
        if (!error && target.string() == wanted) return true;
    }
    return false;
}

class ExtractRun : public ::testing::Test {
  protected:
    void SetUp() override {
        SetDecimalSeparator('.');
        parameters_.DirectorioDatos = db_.DataDirectory();
        parameters_.Fecha = 2019y / September / 29d;  // a Sunday
        parameters_.IdAgencia = "5";
        parameters_.Familia = "O'B";
        progress_.stepStarted = [this](const std::string& message) { steps_.push_back(message); };
        progress_.fileWritten = [this](const std::string& name, std::size_t rows) {
            files_.emplace_back(name, rows);
        };
    }

    void Run() { WriteExtractFiles(db_.Db(), parameters_, progress_); }
    std::string File(const char* name) const { return ReadFile(parameters_.DirectorioDatos, name); }

    ReportDatabase db_;
    ParametrosEnvio parameters_;
    ExtractProgress progress_;
    std::vector<std::string> steps_;
    std::vector<std::pair<std::string, std::size_t>> files_;
};

TEST_F(ExtractRun, WritesTheTenFilesFromTheProceduresInOrder) {
    Run();

    // The echoed arguments: month-to-date period, unquoted branch, the
    // family's quote doubled in the literal and arriving single.
    EXPECT_EQ(File("Municipios.txt"),
              "Codigo{Nombre\r\n05001{2019/09/01|2019/09/29|5|O'B\r\n05088{\r\n");
    EXPECT_EQ(File("TiposDeNegocio.txt"), "Codigo{Nombre\r\nT1{Tienda \xF1\r\n");
    EXPECT_EQ(File("Vendedores.txt"),
              "Codigo{Nombre{Ubicacion{Cedula{CodigoSupervisor\r\n"
              "V01{Ana Ruiz{Zona  Norte}{43111222\r\n");
    EXPECT_EQ(
        File("Clientes.txt"),
        "Codigo{Nombre{FechaIngreso{Nit{Direccion{Telefono{RepresentanteLegal{"
        "CodigoMunicipio{CodigoTipoNegocio{Estrato{CodigoBarrio{CodigoSectorDANE{"
        "NombreSectorDANE{CodigoZonaVenta\r\n"
        "C001{La Esquina{20190102{900123{Cra 1 {300{La Esquina{05001{T1{{{05001{MEDELLIN{Z1\r\n"
        "{{{{{{{{{{{{{\r\n");
    // The SKU procedure takes family before branch, and runs once per file.
    EXPECT_EQ(File("SKU.txt"),
              "Codigo{Nombre{TipoReferencia{TipoUnidad{CodigoBarras{Compa\xF1ia\r\n"
              "P1{O'B/5{PT{UND{770{BEBIDAS\r\n"
              "P1{O'B/5{PT{KG{770{BEBIDAS\r\n");
    EXPECT_EQ(File("Rutas.txt"),
              "CodigoVendedor{CodigoCliente{Mes{DiaSemana{Frecuencia{\r\n"
              "V01{C001{09{7{SEMANAL{\r\n");
    EXPECT_EQ(File("Inventario.txt"),
              "Fecha{CodigoProducto{Cantidad{Unidad{\r\n"
              "20190929{P2{7.1{UND\r\n"
              "20190929{P2{-2.5{KG\r\n");
    EXPECT_EQ(File("Ventas.txt"),
              "CodigoCliente{CodigoVendedor{CodigoProducto{Fecha{NumeroDocumento{Cantidad{"
              "ValorTotalITEMVendido{Tipo{Costo{UnidadDeMedida{NumeroUnicoDePedido\r\n"
              "900123{V01{P1{20190929{F001{2{100{V{0.05{UND{\r\n"
              "900123{V01{P1{20190929{F001{-1.5{-7.1{V{{UND{\r\n");
    EXPECT_EQ(File("ListadodeFacturas.txt"),
              "CodigoCliente{CodigoVendedor{Fecha{NumeroDocumento{ValorTotalFactura{"
              "ValorFacturadoCasaComercial\r\n"
              "900123{V01{20190901{F001{100{92.9\r\n"
              "900123{V01{20190901{F002{7.1{0.05\r\n");
    EXPECT_EQ(File("TotalesdeControl.txt"), "TotalValorVenta{107.1");

    const std::vector<std::string> expectedSteps = {
        "Generando archivo municipios. espere un momento...",
        "Generando archivo tipos de negocio. espere un momento...",
        "Generando archivo vendedores. espere un momento...",
        "Generando archivo clientes. espere un momento...",
        "Generando archivo SKU. espere un momento...",
        "Generando archivo Rutas. espere un momento...",
        "Generando archivo Inventario. espere un momento...",
        "Generando archivo Ventas. espere un momento...",
        "Generando archivo Listado de Facturas. espere un momento...",
        "Generando archivo Totales de Control. espere un momento...",
    };
    EXPECT_EQ(steps_, expectedSteps);
    const std::vector<std::pair<std::string, std::size_t>> expectedFiles = {
        {"Municipios.txt", 2},
        {"TiposDeNegocio.txt", 1},
        {"Vendedores.txt", 1},
        {"Clientes.txt", 2},
        {"SKU.txt", 2},
        {"Rutas.txt", 1},
        {"Inventario.txt", 2},
        {"Ventas.txt", 2},
        {"ListadodeFacturas.txt", 2},
        {"TotalesdeControl.txt", 1}};
    EXPECT_EQ(files_, expectedFiles);
}

TEST_F(ExtractRun, FailingSalesDetailKeepsEarlierFilesAndLeavesVentasUntouched) {
    db_.Replace(kVentasDetalleFailing);
    WriteFile(parameters_.DirectorioDatos, "Ventas.txt", "ventas de ayer");

    try {
        Run();
        FAIL() << "the failing procedure went unnoticed";
    } catch (const DatabaseError& error) {
        EXPECT_NE(std::string(error.what()).find("falla simulada"), std::string::npos)
            << error.what();
    }
    EXPECT_EQ(File("Ventas.txt"), "ventas de ayer");
    EXPECT_EQ(File("ListadodeFacturas.txt"), "<missing>");
    EXPECT_EQ(File("TotalesdeControl.txt"), "<missing>");
    EXPECT_EQ(
        File("Rutas.txt"),
        "CodigoVendedor{CodigoCliente{Mes{DiaSemana{Frecuencia{\r\nV01{C001{09{7{SEMANAL{\r\n");
    EXPECT_EQ(
        File("Inventario.txt"),
        "Fecha{CodigoProducto{Cantidad{Unidad{\r\n20190929{P2{7.1{UND\r\n20190929{P2{-2.5{KG\r\n");
    EXPECT_EQ(files_.size(), 7u);
    EXPECT_EQ(steps_.back(), "Generando archivo Ventas. espere un momento...");
}

TEST_F(ExtractRun, AFailureHalfwayThroughVentasLeavesTheEarlierVentasAsItWas) {
    db_.Replace(kVentasDetalleFailingMidway);
    WriteFile(parameters_.DirectorioDatos, "Ventas.txt", "ventas de ayer");
    const std::string ventas = parameters_.DirectorioDatos + "/Ventas.txt";
    // Halfway, the rows already fetched are on disk beside the old file.
    std::size_t ventasRows = 0;
    qint64 writtenHalfway = -1;
    progress_.betweenRows = [&] {
        if (steps_.back() != "Generando archivo Ventas. espere un momento...") return;
        if (++ventasRows == 2000) {
            writtenHalfway = QFileInfo(QString::fromStdString(ventas + ".tmp")).size();
            EXPECT_EQ(File("Ventas.txt"), "ventas de ayer");
        }
    };

    EXPECT_THROW(Run(), DatabaseError);
    EXPECT_EQ(ventasRows, 3000u);
    EXPECT_GE(writtenHalfway, 64 * 1024);
    EXPECT_EQ(File("Ventas.txt"), "ventas de ayer");
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(ventas + ".tmp")));
    EXPECT_EQ(files_.size(), 7u);
}

TEST_F(ExtractRun, InventarioIsClosedWithItsTitleWhenTheSecondSkuRunFails) {
    db_.Replace(kSkuFailingOnSecondRun);

    EXPECT_THROW(Run(), DatabaseError);
    EXPECT_EQ(File("SKU.txt"),
              "Codigo{Nombre{TipoReferencia{TipoUnidad{CodigoBarras{Compa\xF1ia\r\n"
              "P1{x{{{{F\r\n");
    EXPECT_EQ(File("Inventario.txt"), kInventarioTitle);
    EXPECT_FALSE(HeldOpen(parameters_.DirectorioDatos + "/Inventario.txt"));
    EXPECT_EQ(File("Ventas.txt"), "<missing>");
    EXPECT_EQ(steps_.back(), "Generando archivo Inventario. espere un momento...");
}

TEST_F(ExtractRun, ABranchIdThatIsNotAnIntegerStopsTheRunBeforeAnyCommand) {
    parameters_.IdAgencia = "0,0,'x') --";
    try {
        Run();
        FAIL() << "the branch id reached a command";
    } catch (const InvalidBranchError& error) {
        EXPECT_STREQ(error.what(), "Código de agencia inválido: 0,0,'x') --");
    }
    EXPECT_TRUE(steps_.empty());
    EXPECT_TRUE(
        QDir(QString::fromStdString(parameters_.DirectorioDatos)).entryList(QDir::Files).isEmpty());
}

TEST_F(ExtractRun, AnUnwritableDataDirectoryStopsTheRunWithTheSystemReason) {
    // A plain file where the data directory should be.
    WriteFile(parameters_.DirectorioDatos, "no-es-directorio", "x");
    parameters_.DirectorioDatos += "/no-es-directorio";
    try {
        Run();
        FAIL() << "the files were not written and nothing said so";
    } catch (const ExtractFileError& error) {
        EXPECT_EQ(std::string(error.what()), "No se pudo crear el archivo " +
                                                 parameters_.DirectorioDatos +
                                                 "/Municipios.txt: Not a directory");
    }
    EXPECT_EQ(steps_.size(), 1u);
    EXPECT_TRUE(files_.empty());
}

}  // namespace
}  // namespace tramex::test
