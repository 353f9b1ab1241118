// The command texts sent to the report procedures: period, argument order,
// quoting and the branch id check.
#include "export/ReportCommands.h"

#include <gtest/gtest.h>

namespace tramex {
namespace {

using namespace std::chrono;

ParametrosEnvio Parameters(year_month_day date, std::string branch, std::string family) {
    ParametrosEnvio parameters;
    parameters.Fecha = date;
    parameters.IdAgencia = std::move(branch);
    parameters.Familia = std::move(family);
    return parameters;
}

TEST(ReportCommands, EveryProcedureGetsTheMonthToDatePeriod) {
    const ReportArguments arguments =
        ReportArguments::From(Parameters(2019y / September / 27d, "0", "01"));
    const std::pair<ReportProcedure, const char*> procedures[] = {
        {ReportProcedure::Ventas, "ventas"},           {ReportProcedure::Municipios, "municipios"},
        {ReportProcedure::TipoNegocio, "tiponegocio"}, {ReportProcedure::Vendedores, "vendedores"},
        {ReportProcedure::Clientes, "clientes"},       {ReportProcedure::Rutas, "rutas"},
        {ReportProcedure::VentasDetalle, "ventasdet"}};
    for (const auto& [procedure, name] : procedures) {
        EXPECT_EQ(
            ReportCommand(procedure, arguments),
            std::string("select * from rep_") + name + "_zel('2019/09/01','2019/09/27',0,'01')");
    }
    // The SKU procedure alone takes the family before the branch.
    EXPECT_EQ(ReportCommand(ReportProcedure::Sku, arguments),
              "select * from rep_sku_zel('2019/09/01','2019/09/27','01',0)");
}

TEST(ReportCommands, DatesAreFixedWidthAndTheFirstOfAMonthIsAOneDayPeriod) {
    const ReportArguments first = ReportArguments::From(Parameters(2020y / March / 1d, "12", "A"));
    EXPECT_EQ(first.ini, "'2020/03/01'");
    EXPECT_EQ(first.fin, "'2020/03/01'");
    const ReportArguments early = ReportArguments::From(Parameters(year{987} / 2 / 9, "12", "A"));
    EXPECT_EQ(ReportCommand(ReportProcedure::Rutas, early),
              "select * from rep_rutas_zel('0987/02/01','0987/02/09',12,'A')");
    EXPECT_EQ(DateText(2024y / December / 31d), "2024/12/31");
}

TEST(ReportCommands, FamilyCodesAreQuotedLiteralsInWindows1252) {
    const ReportArguments quoted =
        ReportArguments::From(Parameters(2019y / September / 27d, "3", "O'Brien''s"));
    EXPECT_EQ(quoted.fam, "'O''Brien''''s'");
    EXPECT_EQ(ReportCommand(ReportProcedure::Sku, quoted),
              "select * from rep_sku_zel('2019/09/01','2019/09/27','O''Brien''''s',3)");

    const ReportArguments accented =
        ReportArguments::From(Parameters(2019y / September / 27d, "3", "Ñandú"));
    EXPECT_EQ(accented.fam,
              "'\xD1"
              "and\xFA'");
    EXPECT_EQ(ReportArguments::From(Parameters(2019y / September / 27d, "3", "")).fam, "''");
}

TEST(ReportCommands, OnlyIntegerBranchIdsReachACommand) {
    for (const char* good : {"0", "7", "-1", "0012", "999999999", "-999999999"})
        EXPECT_EQ(ReportArguments::From(Parameters(2019y / September / 27d, good, "01")).suc, good);
    for (const char* bad : {"", "-", "1a", " 1", "1 ", "+1", "1,2", "0) union select 1 from x--",
                            "1234567890", "123456789012"}) {
        try {
            ReportArguments::From(Parameters(2019y / September / 27d, bad, "01"));
            ADD_FAILURE() << "accepted branch id \"" << bad << "\"";
        } catch (const InvalidBranchError& error) {
            EXPECT_EQ(std::string(error.what()), std::string("Código de agencia inválido: ") + bad);
        }
    }
}

}  // namespace
}  // namespace tramex
