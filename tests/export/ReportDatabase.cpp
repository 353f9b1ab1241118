// Stand-in report procedures with the result columns the export reads.
#include "ReportDatabase.h"

#include <filesystem>

namespace tramex::test {
namespace {

const char* const kSchema[] = {
    "create sequence sku_runs",
    "create exception simulated_failure 'falla simulada'",

    // NOMCIU echoes the arguments in the order received.
    "create procedure rep_municipios_zel (ini varchar(10), fin varchar(10), suc integer, "
    "fam varchar(20)) returns (codciu varchar(7), nomciu varchar(60)) as begin "
    "codciu = '05001'; nomciu = ini || '|' || fin || '|' || suc || '|' || fam; suspend; "
    "codciu = '05088'; nomciu = null; suspend; end",

    "create procedure rep_tiponegocio_zel (ini varchar(10), fin varchar(10), suc integer, "
    "fam varchar(20)) returns (codtiponeg varchar(4), nomtiponeg varchar(60)) as begin "
    "codtiponeg = 'T1'; nomtiponeg = 'Tienda ' || ascii_char(241); suspend; end",

    "create procedure rep_vendedores_zel (ini varchar(10), fin varchar(10), suc integer, "
    "fam varchar(20)) returns (nomvend varchar(60), nitvend varchar(20), ubicavend varchar(60), "
    "codvend varchar(22)) as begin "
    "nomvend = 'Ana Ruiz'; nitvend = '43111222'; ubicavend = 'Zona {Norte}'; codvend = 'V01'; "
    "suspend; end",

    "create procedure rep_clientes_zel (ini varchar(10), fin varchar(10), suc integer, "
    "fam varchar(20)) returns (codcli varchar(22), nomcli varchar(60), fecing varchar(8), "
    "nitclie varchar(20), dir varchar(60), tel varchar(40), codmuni varchar(7), "
    "tiponeg varchar(4), nomciu varchar(60), zona varchar(3)) as begin "
    "codcli = 'C001'; nomcli = 'La Esquina'; fecing = '20190102'; nitclie = '900123'; "
    "dir = 'Cra 1 '; tel = '300'; codmuni = '05001'; tiponeg = 'T1'; nomciu = 'MEDELLIN'; "
    "zona = 'Z1'; suspend; "
    "codcli = null; nomcli = null; fecing = null; nitclie = null; dir = null; tel = null; "
    "codmuni = null; tiponeg = null; nomciu = null; zona = null; suspend; end",

    // CODART counts the runs, so SKU.txt and Inventario.txt show whether the
    // procedure really ran twice; NOMART echoes family and branch.
    "create procedure rep_sku_zel (ini varchar(10), fin varchar(10), fam varchar(20), "
    "suc integer) returns (codart varchar(15), nomart varchar(60), tiporef varchar(2), "
    "unidad varchar(8), codbarras varchar(15), nomfami varchar(60), saldo numeric(15,4), "
    "fecha varchar(8)) as begin "
    "codart = 'P' || gen_id(sku_runs, 1); nomart = fam || '/' || suc; tiporef = 'PT'; "
    "unidad = 'UND'; codbarras = '770'; nomfami = 'BEBIDAS'; saldo = 7.10; "
    "fecha = '20190929'; suspend; "
    "saldo = -2.5; unidad = 'KG'; suspend; end",

    "create procedure rep_rutas_zel (ini varchar(10), fin varchar(10), suc integer, "
    "fam varchar(20)) returns (codcli varchar(20), frecuencia varchar(40), mes varchar(2), "
    "codvend varchar(22)) as begin "
    "codcli = 'C001'; frecuencia = 'SEMANAL'; mes = '09'; codvend = 'V01'; suspend; end",

    "create procedure rep_ventasdet_zel (ini varchar(10), fin varchar(10), suc integer, "
    "fam varchar(20)) returns (codarti varchar(15), nitcli varchar(20), fecdoc varchar(8), "
    "numdoc varchar(8), cant numeric(15,4), totitem numeric(15,2), unidad varchar(8), "
    "tipo varchar(1), costo numeric(15,2), codvend varchar(22)) as begin "
    "codarti = 'P1'; nitcli = '900123'; fecdoc = '20190929'; numdoc = 'F001'; cant = 2; "
    "totitem = 100.00; unidad = 'UND'; tipo = 'V'; costo = 0.05; codvend = 'V01'; suspend; "
    "cant = -1.5; totitem = -7.1; costo = null; suspend; end",

    "create procedure rep_ventas_zel (ini varchar(10), fin varchar(10), suc integer, "
    "fam varchar(20)) returns (nitcli varchar(20), fecdoc varchar(8), numdoc varchar(8), "
    "totaldoc numeric(15,2), totalcasa numeric(15,2), totalcontrol numeric(15,2), "
    "codvend varchar(22)) as begin "
    "nitcli = '900123'; fecdoc = '20190901'; numdoc = 'F001'; totaldoc = 100; "
    "totalcasa = 92.9; totalcontrol = 0; codvend = 'V01'; suspend; "
    "numdoc = 'F002'; totaldoc = 7.10; totalcasa = 0.05; totalcontrol = 107.1; suspend; end",
};

}  // namespace

const char* const kSkuFailingOnSecondRun =
    "alter procedure rep_sku_zel (ini varchar(10), fin varchar(10), fam varchar(20), "
    "suc integer) returns (codart varchar(15), nomart varchar(60), tiporef varchar(2), "
    "unidad varchar(8), codbarras varchar(15), nomfami varchar(60), saldo numeric(15,4), "
    "fecha varchar(8)) as begin "
    "codart = 'P' || gen_id(sku_runs, 1); if (codart <> 'P1') then exception simulated_failure; "
    "nomart = 'x'; tiporef = ''; unidad = ''; codbarras = ''; nomfami = 'F'; saldo = 1; "
    "fecha = ''; suspend; end";

const char* const kVentasDetalleFailing =
    "alter procedure rep_ventasdet_zel (ini varchar(10), fin varchar(10), suc integer, "
    "fam varchar(20)) returns (codarti varchar(15), nitcli varchar(20), fecdoc varchar(8), "
    "numdoc varchar(8), cant numeric(15,4), totitem numeric(15,2), unidad varchar(8), "
    "tipo varchar(1), costo numeric(15,2), codvend varchar(22)) as begin "
    "exception simulated_failure; suspend; end";

const char* const kVentasDetalleFailingMidway =
    "alter procedure rep_ventasdet_zel (ini varchar(10), fin varchar(10), suc integer, "
    "fam varchar(20)) returns (codarti varchar(15), nitcli varchar(20), fecdoc varchar(8), "
    "numdoc varchar(8), cant numeric(15,4), totitem numeric(15,2), unidad varchar(8), "
    "tipo varchar(1), costo numeric(15,2), codvend varchar(22)) as "
    "declare n integer = 0; begin "
    "codarti = 'P1'; nitcli = '900123'; fecdoc = '20190929'; unidad = 'UND'; tipo = 'V'; "
    "cant = 1; totitem = 1; costo = 1; codvend = 'V01'; "
    "while (n < 3000) do begin n = n + 1; numdoc = n; suspend; end "
    "exception simulated_failure; end";

ReportDatabase::ReportDatabase() {
    for (const char* statement : kSchema) Execute(statement);
}

std::string ReportDatabase::DataDirectory() const {
    const auto directory = std::filesystem::path(Folder()) / "datos";
    std::filesystem::create_directories(directory);
    return directory.string();
}

}  // namespace tramex::test
