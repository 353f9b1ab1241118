// The bytes of each extract file, written from in-memory snapshots and
// compared with the receiving side's layouts spelled out literally.
#include "SnapshotBuilder.h"

#include "data/DecimalText.h"
#include "export/ExtractLayouts.h"

#include <gtest/gtest.h>

namespace tramex::test {
namespace {

using namespace std::chrono;

class ExtractFormat : public ::testing::Test {
  protected:
    void SetUp() override { SetDecimalSeparator('.'); }
    void TearDown() override { SetDecimalSeparator('.'); }
};

std::vector<FieldDef> MunicipiosFields() { return {Text("CODCIU", 7), Text("NOMCIU", 60)}; }
std::vector<FieldDef> VendedoresFields() {
    return {Text("NOMVEND", 60), Text("NITVEND", 20), Text("UBICAVEND", 60), Text("CODVEND", 22)};
}
std::vector<FieldDef> ClientesFields() {
    return {Text("CODCLI", 22), Text("NOMCLI", 60), Text("FECING", 8),  Text("NITCLIE", 20),
            Text("DIR", 60),    Text("TEL", 40),    Text("CODMUNI", 7), Text("TIPONEG", 4),
            Text("NOMCIU", 60), Text("ZONA", 3)};
}
std::vector<FieldDef> SkuFields() {
    return {Text("CODART", 15),    Text("NOMART", 60),  Text("TIPOREF", 2),  Text("UNIDAD", 8),
            Text("CODBARRAS", 15), Text("NOMFAMI", 60), Decimal("SALDO", 4), Text("FECHA", 8)};
}
std::vector<FieldDef> RutasFields() {
    return {Text("CODCLI", 20), Text("FRECUENCIA", 40), Text("MES", 2), Text("CODVEND", 22)};
}
std::vector<FieldDef> VentasDetalleFields() {
    return {Text("CODARTI", 15), Text("NITCLI", 20),    Text("FECDOC", 8), Text("NUMDOC", 8),
            Decimal("CANT", 4),  Decimal("TOTITEM", 2), Text("UNIDAD", 8), Text("TIPO", 1),
            Decimal("COSTO", 2), Text("CODVEND", 22)};
}
std::vector<FieldDef> VentasFields() {
    return {Text("NITCLI", 20),     Text("FECDOC", 8),       Text("NUMDOC", 8),
            Decimal("TOTALDOC", 2), Decimal("TOTALCASA", 2), Decimal("TOTALCONTROL", 2),
            Text("CODVEND", 22)};
}

std::string ControlTotalBytes(Instantanea& sales) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    ExtractOutput out(buffer, "memoria");
    WriteControlTotal(sales, out);
    out.Flush();
    return buffer.data().toStdString();
}

TEST_F(ExtractFormat, EmptyResultsGiveTheTitleLineAlone) {
    struct Case {
        const ExtractLayout& layout;
        std::vector<FieldDef> fields;
        std::string expected;
    };
    const Case cases[] = {
        {MunicipiosLayout(), MunicipiosFields(), "Codigo{Nombre\r\n"},
        {TiposDeNegocioLayout(),
         {Text("CODTIPONEG", 4), Text("NOMTIPONEG", 60)},
         "Codigo{Nombre\r\n"},
        {VendedoresLayout(), VendedoresFields(),
         "Codigo{Nombre{Ubicacion{Cedula{CodigoSupervisor\r\n"},
        {ClientesLayout(), ClientesFields(),
         "Codigo{Nombre{FechaIngreso{Nit{Direccion{Telefono{RepresentanteLegal{CodigoMunicipio{"
         "CodigoTipoNegocio{Estrato{CodigoBarrio{CodigoSectorDANE{NombreSectorDANE{"
         "CodigoZonaVenta\r\n"},
        {SkuLayout(), SkuFields(),
         "Codigo{Nombre{TipoReferencia{TipoUnidad{CodigoBarras{Compa\xF1ia\r\n"},
        {RutasLayout(), RutasFields(),
         "CodigoVendedor{CodigoCliente{Mes{DiaSemana{Frecuencia{\r\n"},
        {InventarioLayout(), SkuFields(), "Fecha{CodigoProducto{Cantidad{Unidad{\r\n"},
        {VentasLayout(), VentasDetalleFields(),
         "CodigoCliente{CodigoVendedor{CodigoProducto{Fecha{NumeroDocumento{Cantidad{"
         "ValorTotalITEMVendido{Tipo{Costo{UnidadDeMedida{NumeroUnicoDePedido\r\n"},
        {ListadoDeFacturasLayout(), VentasFields(),
         "CodigoCliente{CodigoVendedor{Fecha{NumeroDocumento{ValorTotalFactura{"
         "ValorFacturadoCasaComercial\r\n"},
    };
    for (const Case& c : cases) {
        auto snapshot = MakeSnapshot(c.fields, {});
        EXPECT_EQ(WrittenBytes(*snapshot, c.layout), c.expected) << c.layout.fileName;
    }
    auto sales = MakeSnapshot(VentasFields(), {});
    EXPECT_EQ(ControlTotalBytes(*sales), "TotalValorVenta{");
}

// A row of NULLs: every value empty, every separator kept, so the receiving
// side still finds each file's field count.
TEST_F(ExtractFormat, RowsOfNullsKeepEveryFilesFieldCount) {
    struct Case {
        const ExtractLayout& layout;
        std::vector<FieldDef> fields;
        std::string record;
    };
    const Case cases[] = {
        {MunicipiosLayout(), MunicipiosFields(), "{\r\n"},
        {VendedoresLayout(), VendedoresFields(), "{{{\r\n"},
        {ClientesLayout(), ClientesFields(), "{{{{{{{{{{{{{\r\n"},
        {SkuLayout(), SkuFields(), "{{{{{\r\n"},
        {RutasLayout(), RutasFields(), "{{{3{{\r\n"},
        {InventarioLayout(), SkuFields(), "{{{\r\n"},
        {VentasLayout(), VentasDetalleFields(), "{{{{{{{{{{\r\n"},
        {ListadoDeFacturasLayout(), VentasFields(), "{{{{{\r\n"},
    };
    for (const Case& c : cases) {
        auto snapshot = MakeSnapshot(c.fields, {Row(c.fields.size(), std::nullopt)});
        const std::string bytes = WrittenBytes(*snapshot, c.layout);
        EXPECT_EQ(bytes.substr(bytes.find("\r\n") + 2), c.record) << c.layout.fileName;
    }
}

TEST_F(ExtractFormat, ValuesGoOutAsTheDatabaseDeliversThem) {
    // Leading and trailing blanks, Windows-1252 bytes and values longer than
    // the declared width all pass untouched; NULL is an empty value.
    auto municipios = MakeSnapshot(
        MunicipiosFields(),
        {{"05001", "MEDELL\xCDN"}, {" 0500 ", "  BELLO  "}, {"123456789012", std::nullopt}});
    EXPECT_EQ(WrittenBytes(*municipios, MunicipiosLayout()),
              "Codigo{Nombre\r\n"
              "05001{MEDELL\xCDN\r\n"
              " 0500 {  BELLO  \r\n"
              "123456789012{\r\n");
}

TEST_F(ExtractFormat, ClientesRepeatsNameAndMunicipalityAroundTwoEmptyColumns) {
    auto customers = MakeSnapshot(
        ClientesFields(), {{"C001", "Tienda La Esquina", "20190102", "900123", "Cra 1 # 2-3",
                            "3001234567", "05001", "T1", "MEDELLIN", "Z1"},
                           {"", "", "", "", "", "", "", "", "", ""}});
    EXPECT_EQ(WrittenBytes(*customers, ClientesLayout()),
              "Codigo{Nombre{FechaIngreso{Nit{Direccion{Telefono{RepresentanteLegal{"
              "CodigoMunicipio{CodigoTipoNegocio{Estrato{CodigoBarrio{CodigoSectorDANE{"
              "NombreSectorDANE{CodigoZonaVenta\r\n"
              "C001{Tienda La Esquina{20190102{900123{Cra 1 # 2-3{3001234567{Tienda La Esquina{"
              "05001{T1{{{05001{MEDELLIN{Z1\r\n"
              "{{{{{{{{{{{{{\r\n");
}

TEST_F(ExtractFormat, RutasCarriesTheWeekdayOfTheSelectedDate) {
    auto routes = MakeSnapshot(
        RutasFields(), {{"C001", "SEMANAL", "09", "V01"}, {"C002", std::nullopt, "09", "V02"}});
    // 29 September 2019 was a Sunday, 30 September a Monday.
    const ExtractContext sunday = ExtractContext::For(2019y / September / 29d);
    const ExtractContext monday = ExtractContext::For(2019y / September / 30d);
    EXPECT_EQ(sunday.weekday, "7");
    EXPECT_EQ(monday.weekday, "1");
    EXPECT_EQ(WrittenBytes(*routes, RutasLayout(), sunday),
              "CodigoVendedor{CodigoCliente{Mes{DiaSemana{Frecuencia{\r\n"
              "V01{C001{09{7{SEMANAL{\r\n"
              "V02{C002{09{7{{\r\n");
}

TEST_F(ExtractFormat, InventarioDecimalsAreExactWithoutTrailingZeros) {
    auto stock = MakeSnapshot(SkuFields(), {{"P1", "", "", "UND", "", "", "7.1000", "20190927"},
                                            {"P2", "", "", "UND", "", "", "7.0000", "20190927"},
                                            {"P3", "", "", "KG", "", "", "0.0500", "20190927"},
                                            {"P4", "", "", "KG", "", "", "-2.5000", "20190927"},
                                            {"P5", "", "", "CJ", "", "", "100.0000", "20190927"},
                                            {"P6", "", "", "CJ", "", "", "-0.0000", "20190927"},
                                            {"P7", "", "", "CJ", "", "", "-1234.0001", "x"},
                                            {"P8", "", "", "CJ", "", "", std::nullopt, ""}});
    EXPECT_EQ(WrittenBytes(*stock, InventarioLayout()),
              "Fecha{CodigoProducto{Cantidad{Unidad{\r\n"
              "20190927{P1{7.1{UND\r\n"
              "20190927{P2{7{UND\r\n"
              "20190927{P3{0.05{KG\r\n"
              "20190927{P4{-2.5{KG\r\n"
              "20190927{P5{100{CJ\r\n"
              "20190927{P6{0{CJ\r\n"
              "x{P7{-1234.0001{CJ\r\n"
              "{P8{{CJ\r\n");
}

TEST_F(ExtractFormat, DecimalsTakeTheRegionalSeparator) {
    SetDecimalSeparator(',');
    auto detail = MakeSnapshot(
        VentasDetalleFields(),
        {{"P1", "900123", "20190927", "F001", "7.1000", "1234.50", "UND", "V", "0.05", "V01"}});
    EXPECT_EQ(WrittenBytes(*detail, VentasLayout()),
              "CodigoCliente{CodigoVendedor{CodigoProducto{Fecha{NumeroDocumento{Cantidad{"
              "ValorTotalITEMVendido{Tipo{Costo{UnidadDeMedida{NumeroUnicoDePedido\r\n"
              "900123{V01{P1{20190927{F001{7,1{1234,5{V{0,05{UND{\r\n");
}

TEST_F(ExtractFormat, InvoicesLeaveTheControlTotalToItsOwnFile) {
    auto sales = MakeSnapshot(VentasFields(),
                              {{"900123", "20190901", "F001", "100.00", "90.10", "0.00", "V01"},
                               {"900124", "20190927", "F002", "7.10", "7.00", "107.10", "V02"}});
    EXPECT_EQ(WrittenBytes(*sales, ListadoDeFacturasLayout()),
              "CodigoCliente{CodigoVendedor{Fecha{NumeroDocumento{ValorTotalFactura{"
              "ValorFacturadoCasaComercial\r\n"
              "900123{V01{20190901{F001{100{90.1\r\n"
              "900124{V02{20190927{F002{7.1{7\r\n");
    // The control total is that of the last row, with no line end.
    EXPECT_EQ(ControlTotalBytes(*sales), "TotalValorVenta{107.1");

    auto nullTotal =
        MakeSnapshot(VentasFields(), {{"9", "", "", "1.00", "1.00", std::nullopt, ""}});
    EXPECT_EQ(ControlTotalBytes(*nullTotal), "TotalValorVenta{");
}

TEST_F(ExtractFormat, SeparatorsAndLineBreaksInsideValuesBecomeSpaces) {
    auto customers = MakeSnapshot(ClientesFields(),
                                  {{"C{1", "A\r\nB", "", "", "Calle 5\n", "\r", "", "", "{{", ""}});
    const std::string bytes = WrittenBytes(*customers, ClientesLayout());
    EXPECT_EQ(bytes.substr(bytes.find("\r\n") + 2), "C 1{A  B{{{Calle 5 { {A  B{{{{{{  {\r\n");
}

TEST_F(ExtractFormat, MissingColumnRaisesBeforeAnyByteIsWritten) {
    auto incomplete = MakeSnapshot({Text("CODCIU", 7)}, {{"05001"}});
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    EXPECT_THROW(WriteExtract(*incomplete, MunicipiosLayout(), {"1"}, buffer, "memoria"), Error);
    EXPECT_EQ(buffer.size(), 0);
}

}  // namespace
}  // namespace tramex::test
