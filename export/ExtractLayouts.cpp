// Titles and value sources of the extract files, as the receiving side reads them.
#include "export/ExtractLayouts.h"

namespace tramex {
namespace {

using V = ValueSource;

}  // namespace

const ExtractLayout& MunicipiosLayout() {
    static const ExtractLayout layout{"Municipios.txt",
                                      "Codigo{Nombre",
                                      ReportProcedure::Municipios,
                                      {V::Column("CODCIU"), V::Column("NOMCIU")}};
    return layout;
}

const ExtractLayout& TiposDeNegocioLayout() {
    static const ExtractLayout layout{"TiposDeNegocio.txt",
                                      "Codigo{Nombre",
                                      ReportProcedure::TipoNegocio,
                                      {V::Column("CODTIPONEG"), V::Column("NOMTIPONEG")}};
    return layout;
}

// Five titles over four values: CodigoSupervisor is never filled and gets no
// separator of its own.
const ExtractLayout& VendedoresLayout() {
    static const ExtractLayout layout{
        "Vendedores.txt",
        "Codigo{Nombre{Ubicacion{Cedula{CodigoSupervisor",
        ReportProcedure::Vendedores,
        {V::Column("CODVEND"), V::Column("NOMVEND"), V::Column("UBICAVEND"), V::Column("NITVEND")}};
    return layout;
}

// The legal representative repeats the customer name and the DANE sector
// repeats the municipality; Estrato and CodigoBarrio are not kept by the ERP.
const ExtractLayout& ClientesLayout() {
    static const ExtractLayout layout{
        "Clientes.txt",
        "Codigo{Nombre{FechaIngreso{Nit{Direccion{Telefono{RepresentanteLegal{CodigoMunicipio{"
        "CodigoTipoNegocio{Estrato{CodigoBarrio{CodigoSectorDANE{NombreSectorDANE{CodigoZonaVenta",
        ReportProcedure::Clientes,
        {V::Column("CODCLI"), V::Column("NOMCLI"), V::Column("FECING"), V::Column("NITCLIE"),
         V::Column("DIR"), V::Column("TEL"), V::Column("NOMCLI"), V::Column("CODMUNI"),
         V::Column("TIPONEG"), V::Blank(), V::Blank(), V::Column("CODMUNI"), V::Column("NOMCIU"),
         V::Column("ZONA")}};
    return layout;
}

// "Compañia" holds the family name; the title is in Windows-1252 (0xF1).
const ExtractLayout& SkuLayout() {
    static const ExtractLayout layout{
        "SKU.txt",
        "Codigo{Nombre{TipoReferencia{TipoUnidad{CodigoBarras{Compa\xF1"
        "ia",
        ReportProcedure::Sku,
        {V::Column("CODART"), V::Column("NOMART"), V::Column("TIPOREF"), V::Column("UNIDAD"),
         V::Column("CODBARRAS"), V::Column("NOMFAMI")}};
    return layout;
}

const ExtractLayout& RutasLayout() {
    static const ExtractLayout layout{"Rutas.txt",
                                      "CodigoVendedor{CodigoCliente{Mes{DiaSemana{Frecuencia{",
                                      ReportProcedure::Rutas,
                                      {V::Column("CODVEND"), V::Column("CODCLI"), V::Column("MES"),
                                       V::DayOfWeek(), V::Column("FRECUENCIA"), V::Blank()}};
    return layout;
}

// Only the title line carries the trailing "{" here.
const ExtractLayout& InventarioLayout() {
    static const ExtractLayout layout{
        "Inventario.txt",
        "Fecha{CodigoProducto{Cantidad{Unidad{",
        ReportProcedure::Sku,
        {V::Column("FECHA"), V::Column("CODART"), V::Column("SALDO"), V::Column("UNIDAD")}};
    return layout;
}

// NumeroUnicoDePedido is always empty, so records end in "{" and the title does not.
const ExtractLayout& VentasLayout() {
    static const ExtractLayout layout{
        "Ventas.txt",
        "CodigoCliente{CodigoVendedor{CodigoProducto{Fecha{NumeroDocumento{Cantidad{"
        "ValorTotalITEMVendido{Tipo{Costo{UnidadDeMedida{NumeroUnicoDePedido",
        ReportProcedure::VentasDetalle,
        {V::Column("NITCLI"), V::Column("CODVEND"), V::Column("CODARTI"), V::Column("FECDOC"),
         V::Column("NUMDOC"), V::Column("CANT"), V::Column("TOTITEM"), V::Column("TIPO"),
         V::Column("COSTO"), V::Column("UNIDAD"), V::Blank()}};
    return layout;
}

const ExtractLayout& ListadoDeFacturasLayout() {
    static const ExtractLayout layout{
        "ListadodeFacturas.txt",
        "CodigoCliente{CodigoVendedor{Fecha{NumeroDocumento{ValorTotalFactura{"
        "ValorFacturadoCasaComercial",
        ReportProcedure::Ventas,
        {V::Column("NITCLI"), V::Column("CODVEND"), V::Column("FECDOC"), V::Column("NUMDOC"),
         V::Column("TOTALDOC"), V::Column("TOTALCASA")}};
    return layout;
}

}  // namespace tramex
