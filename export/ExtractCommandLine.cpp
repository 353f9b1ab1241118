// Parsing of the tramex-extract options.
#include "export/ExtractCommandLine.h"

#include <map>

namespace tramex {

const char* const kExtractUsage =
    "Uso: tramex-extract --database RUTA [--user U] [--password P] --date AAAA-MM-DD\n"
    "                    [--branch ID] --family CODIGO --out DIRECTORIO\n";

namespace {

int ParseDigits(const std::string& text, std::size_t from, std::size_t count, bool& ok) {
    int value = 0;
    for (std::size_t i = from; i < from + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            ok = false;
        else
            value = value * 10 + (text[i] - '0');
    }
    return value;
}

std::chrono::year_month_day ParseDate(const std::string& text) {
    bool ok = text.size() == 10 && text[4] == '-' && text[7] == '-';
    if (ok) {
        const std::chrono::year_month_day date{
            std::chrono::year{ParseDigits(text, 0, 4, ok)},
            std::chrono::month{static_cast<unsigned>(ParseDigits(text, 5, 2, ok))},
            std::chrono::day{static_cast<unsigned>(ParseDigits(text, 8, 2, ok))}};
        if (ok && date.ok()) return date;
    }
    throw UsageError("Fecha inválida: " + text + " (se espera AAAA-MM-DD)");
}

std::string Required(const std::map<std::string, std::string>& values, const std::string& name) {
    auto found = values.find(name);
    if (found == values.end()) throw UsageError("Falta la opción " + name);
    return found->second;
}

}  // namespace

ExtractCommandLine ParseExtractCommandLine(const std::vector<std::string>& arguments) {
    static const char* const kKnown[] = {"--database", "--user",   "--password", "--date",
                                         "--branch",   "--family", "--out"};
    std::map<std::string, std::string> values;
    for (std::size_t i = 0; i < arguments.size(); i += 2) {
        const std::string& name = arguments[i];
        bool known = false;
        for (const char* option : kKnown) known = known || name == option;
        if (!known) throw UsageError("Opción desconocida: " + name);
        if (i + 1 >= arguments.size()) throw UsageError("Falta el valor de " + name);
        values[name] = arguments[i + 1];
    }

    ExtractCommandLine line;
    line.database = Required(values, "--database");
    if (values.count("--user")) line.user = values["--user"];
    if (values.count("--password")) line.password = values["--password"];
    line.parameters.Fecha = ParseDate(Required(values, "--date"));
    line.parameters.Familia = Required(values, "--family");
    line.parameters.DirectorioDatos = Required(values, "--out");
    line.parameters.IdAgencia = values.count("--branch") ? values["--branch"] : "0";
    return line;
}

}  // namespace tramex
