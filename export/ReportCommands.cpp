// Command texts of the report procedures.
#include "export/ReportCommands.h"

#include "common/TextCodec.h"

#include <cstdio>

namespace tramex {

InvalidBranchError::InvalidBranchError(const std::string& branchId)
    : Error("Código de agencia inválido: " + branchId) {}

std::string_view ProcedureName(ReportProcedure procedure) {
    switch (procedure) {
        case ReportProcedure::Municipios:
            return "rep_municipios_zel";
        case ReportProcedure::TipoNegocio:
            return "rep_tiponegocio_zel";
        case ReportProcedure::Vendedores:
            return "rep_vendedores_zel";
        case ReportProcedure::Clientes:
            return "rep_clientes_zel";
        case ReportProcedure::Sku:
            return "rep_sku_zel";
        case ReportProcedure::Rutas:
            return "rep_rutas_zel";
        case ReportProcedure::VentasDetalle:
            return "rep_ventasdet_zel";
        case ReportProcedure::Ventas:
            return "rep_ventas_zel";
    }
    return {};
}

std::string DateText(std::chrono::year_month_day date) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d/%02u/%02u", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
    return text;
}

// At most nine digits: every such number fits the procedures' INTEGER argument,
// so a longer one is refused here rather than by the database.
bool IsBranchId(std::string_view text) {
    if (!text.empty() && text.front() == '-') text.remove_prefix(1);
    if (text.empty() || text.size() > 9) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

std::string BuildCommand(std::string_view procedure, std::initializer_list<std::string> arguments) {
    std::string command = "select * from ";
    command += procedure;
    command += '(';
    bool first = true;
    for (const std::string& argument : arguments) {
        if (!first) command += ',';
        command += argument;
        first = false;
    }
    command += ')';
    return command;
}

ReportArguments ReportArguments::From(const ParametrosEnvio& parameters) {
    // The branch id goes into the command unquoted, so anything but an
    // integer would change the statement itself.
    if (!IsBranchId(parameters.IdAgencia)) throw InvalidBranchError(parameters.IdAgencia);
    const std::chrono::year_month_day first{parameters.Fecha.year(), parameters.Fecha.month(),
                                            std::chrono::day{1}};
    return ReportArguments{
        SqlStringLiteral(DateText(first)),
        SqlStringLiteral(DateText(parameters.Fecha)),
        parameters.IdAgencia,
        SqlStringLiteral(Utf8ToCp1252(parameters.Familia)),
    };
}

std::string ReportCommand(ReportProcedure procedure, const ReportArguments& a) {
    if (procedure == ReportProcedure::Sku)
        return BuildCommand(ProcedureName(procedure), {a.ini, a.fin, a.fam, a.suc});
    return BuildCommand(ProcedureName(procedure), {a.ini, a.fin, a.suc, a.fam});
}

}  // namespace tramex
