// Writes extract files from report snapshots: the title line, one record line
// per row in the layout's order, and the control-total file.
#pragma once

#include "export/ExtractLayouts.h"
#include "export/ExtractOutput.h"

#include <QFile>

#include <chrono>
#include <cstddef>
#include <string>

namespace tramex {

class Instantanea;

// Values that are the same on every line of a run.
struct ExtractContext {
    std::string weekday;  // "1" (Monday) .. "7" (Sunday) of the selected date

    static ExtractContext For(std::chrono::year_month_day date);
};

void WriteTitle(const ExtractLayout& layout, ExtractOutput& out);

// One record line per row from the first to the last; returns the row count.
// Column lookups happen before the first byte is written, so a result without
// a listed column raises and leaves the output as it was.
std::size_t WriteRecords(Instantanea& snapshot, const ExtractLayout& layout,
                         const ExtractContext& context, ExtractOutput& out);

// The title "TotalValorVenta", "{" and TOTALCONTROL of the last row, without
// a line end; only the title and "{" when there are no rows. Returns the
// number of totals written (0 or 1).
std::size_t WriteControlTotal(Instantanea& sales, ExtractOutput& out);

// Title and records to an open device, flushed; `name` labels errors.
std::size_t WriteExtract(Instantanea& snapshot, const ExtractLayout& layout,
                         const ExtractContext& context, QIODevice& device, const std::string& name);

// One extract file on disk, created or truncated when constructed; raises
// ExtractFileError naming the path and the system's reason when it cannot be
// created, written or closed.
class ExtractFile {
  public:
    explicit ExtractFile(const std::string& path);
    ExtractOutput& Output() { return output_; }
    void Finish();  // flushes and closes; a failure raises
    // Writes what is pending and closes without raising; for leaving a
    // file behind tidily when the run fails for another reason.
    void Abandon() noexcept;

  private:
    QFile file_;
    ExtractOutput output_;
};

// The file-name forms: the path is the data directory, "/" and the file name.
std::string ExtractPath(const std::string& directory, std::string_view fileName);
std::size_t WriteExtractFile(Instantanea& snapshot, const ExtractLayout& layout,
                             const ExtractContext& context, const std::string& directory);

}  // namespace tramex
