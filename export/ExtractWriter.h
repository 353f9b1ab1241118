// Writes extract files from report snapshots: the title line, one record line
// per row in the layout's order, and the control-total file.
#pragma once

#include "export/ExtractFile.h"
#include "export/ExtractLayouts.h"
#include "export/ExtractOutput.h"
#include "export/RecordFormat.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tramex {

class Instantanea;

void WriteTitle(const ExtractLayout& layout, ExtractOutput& out);

// The title "TotalValorVenta", "{" and the control total of the last sales
// row, without a line end; only the title and "{" when there were no rows
// (nullopt). Returns the number of totals written (0 or 1).
std::size_t WriteControlTotal(std::optional<std::string_view> lastTotal, ExtractOutput& out);
// The same from a snapshot of the sales procedure.
std::size_t WriteControlTotal(Instantanea& sales, ExtractOutput& out);

// Title and records to an open device, flushed; `name` labels errors. Column
// lookups happen before the first byte is written, so a result without a
// listed column raises and leaves the device as it was.
std::size_t WriteExtract(Instantanea& snapshot, const ExtractLayout& layout,
                         const ExtractContext& context, QIODevice& device, const std::string& name);

// The same into the layout's file in the data directory.
std::size_t WriteExtractFile(Instantanea& snapshot, const ExtractLayout& layout,
                             const ExtractContext& context, const std::string& directory);

}  // namespace tramex
