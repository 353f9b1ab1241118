// Writes one extract file while its rows arrive from the report procedure:
// the title, then one record line per row as the client hands it over. Only
// the block being gathered for the disk is held, however many rows come.
#pragma once

#include "data/Connection.h"
#include "export/ExtractFile.h"
#include "export/RecordFormat.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tramex {

// The text of one column on the last row that arrived (the sales control total).
struct LastValue {
    explicit LastValue(std::string_view name) : column(name) {}

    std::string_view column;
    bool present = false;  // the result has the column
    bool seen = false;     // at least one row arrived
    std::string text;
};

class ExtractStream : public ResultSink {
  public:
    // `betweenRows`, when set, is called before each record line is written.
    ExtractStream(const ExtractLayout& layout, const ExtractContext& context, std::string path,
                  std::function<void()> betweenRows = {});

    // Creates the file and writes the title now instead of when the result
    // begins; until then the file is left alone.
    void Create();
    // Also keeps `last` up to date with every row.
    void Track(LastValue& last) { last_ = &last; }

    void BeginResult(std::vector<FieldDef> fields, std::vector<std::string> columns) override;
    void Row(const std::vector<CellValue>& cells) override;

    // Puts the complete file in place; returns the number of record lines.
    std::size_t Finish();
    // What went to the file so far.
    const FileChecksum& Written() { return file_->Output().Written(); }
    // For a failure once the title is due: the file is put in place holding
    // the title alone (see ExtractFile::FinishHolding).
    void FinishWithTitleOnly() noexcept;

  private:
    const ExtractLayout& layout_;
    const ExtractContext& context_;
    std::string path_;
    std::function<void()> betweenRows_;
    LastValue* last_ = nullptr;
    int lastField_ = -1;

    std::optional<ExtractFile> file_;
    std::optional<RecordFormat> format_;
    std::vector<FieldDef> fields_;
    char separator_ = '.';
    std::size_t rows_ = 0;
};

}  // namespace tramex
