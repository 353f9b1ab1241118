// The record line of one extract layout over a result's fields: the field
// behind each value is looked up once, before the first line, and each row
// is then formatted into the line being built.
#pragma once

#include "data/FieldDef.h"
#include "export/ExtractLayouts.h"

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace tramex {

// Values that are the same on every line of a run.
struct ExtractContext {
    std::string weekday;  // "1" (Monday) .. "7" (Sunday) of the selected date

    static ExtractContext For(std::chrono::year_month_day date);
};

// The format has no escape: a separator or line break inside a value would
// shift every later field, so each from `from` on becomes a space.
void NeutraliseDelimiters(std::string& text, std::size_t from);

class RecordFormat {
  public:
    // Raises Error ("Field 'NAME' not found") when a listed column is missing.
    RecordFormat(const ExtractLayout& layout, const ExtractContext& context,
                 const std::vector<FieldDef>& fields);

    // Appends the row's values joined by "{", without the line end. Row is
    // anything read like a snapshot's current row: AppendFieldText(index, out).
    template <typename Row>
    void Append(const Row& row, std::string& line) const;

  private:
    const ExtractLayout& layout_;
    std::string weekday_;
    std::vector<int> columns_;  // field index of each value, -1 where it has no column
};

template <typename Row>
void RecordFormat::Append(const Row& row, std::string& line) const {
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        if (i > 0) line += kFieldSeparator;
        switch (layout_.values[i].kind) {
            case ValueSource::Kind::Field: {
                const std::size_t start = line.size();
                row.AppendFieldText(columns_[i], line);
                NeutraliseDelimiters(line, start);
                break;
            }
            case ValueSource::Kind::Weekday:
                line += weekday_;
                break;
            case ValueSource::Kind::Empty:
                break;
        }
    }
}

}  // namespace tramex
