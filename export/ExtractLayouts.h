// The record layouts of the ten extract files, kept as data: each file's name,
// its title line and the source of each value on a record line.
#pragma once

#include "export/ReportCommands.h"

#include <string_view>
#include <vector>

namespace tramex {

// Where one value of a record line comes from.
struct ValueSource {
    enum class Kind { Field, Empty, Weekday };
    Kind kind;
    std::string_view field;  // column name, for Kind::Field

    static ValueSource Column(std::string_view name) { return {Kind::Field, name}; }
    static ValueSource Blank() { return {Kind::Empty, {}}; }
    static ValueSource DayOfWeek() { return {Kind::Weekday, {}}; }
};

// Values are joined by "{"; a trailing "{" on a line is an empty last value.
struct ExtractLayout {
    std::string_view fileName;
    std::string_view title;  // Windows-1252 bytes, without the line end
    ReportProcedure source;
    std::vector<ValueSource> values;
};

inline constexpr char kFieldSeparator = '{';

const ExtractLayout& MunicipiosLayout();
const ExtractLayout& TiposDeNegocioLayout();
const ExtractLayout& VendedoresLayout();
const ExtractLayout& ClientesLayout();
const ExtractLayout& SkuLayout();
const ExtractLayout& RutasLayout();
const ExtractLayout& InventarioLayout();
const ExtractLayout& VentasLayout();
const ExtractLayout& ListadoDeFacturasLayout();

// TotalesdeControl.txt has no record lines: its whole content is this title,
// a "{" and the control total of the last sales row.
inline constexpr std::string_view kTotalesFileName = "TotalesdeControl.txt";
inline constexpr std::string_view kTotalesTitle = "TotalValorVenta";
inline constexpr std::string_view kControlTotalColumn = "TOTALCONTROL";

}  // namespace tramex
