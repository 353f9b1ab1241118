// The command texts that call the eight report procedures: the report period,
// each procedure's argument order and the "select * from proc(args)" form.
#pragma once

#include "common/Error.h"
#include "common/SqlText.h"
#include "session/ParametrosEnvio.h"

#include <chrono>
#include <string>
#include <string_view>

namespace tramex {

// Raised before any command is built when the branch id is not an integer.
class InvalidBranchError : public Error {
  public:
    explicit InvalidBranchError(const std::string& branchId);
};

enum class ReportProcedure {
    Municipios,
    TipoNegocio,
    Vendedores,
    Clientes,
    Sku,
    Rutas,
    VentasDetalle,
    Ventas,
};

// The procedure's name as the ERP database declares it.
std::string_view ProcedureName(ReportProcedure procedure);

// Year/month/day with a four-digit year and two-digit month and day: the form
// the procedures accept and the archive name is cut from.
std::string DateText(std::chrono::year_month_day date);

// True for an optional "-" followed by one or more ASCII digits.
bool IsBranchId(std::string_view text);

// "select * from " + name + "(" + arguments joined by "," + ")".
std::string BuildCommand(std::string_view procedure, std::initializer_list<std::string> arguments);

// The arguments computed from the run parameters, ready to be placed in a
// command. Validates the branch id (InvalidBranchError).
struct ReportArguments {
    std::string ini;  // quoted first day of the selected date's month
    std::string fin;  // quoted selected date
    std::string suc;  // branch id, unquoted
    std::string fam;  // quoted family code, in Windows-1252 bytes

    static ReportArguments From(const ParametrosEnvio& parameters);
};

// The command text that runs one procedure; rep_sku_zel takes the family
// before the branch, every other procedure the branch before the family.
std::string ReportCommand(ReportProcedure procedure, const ReportArguments& arguments);

}  // namespace tramex
