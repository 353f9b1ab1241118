// Fields of a result read by name and as text, the same way for a snapshot's
// stored rows and for rows read straight from the client as they arrive.
#pragma once

#include "data/Connection.h"
#include "data/FieldDef.h"

#include "common/Error.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tramex {

int FindFieldOf(const std::vector<FieldDef>& fields, std::string_view name);   // -1 when absent
int FieldIndexOf(const std::vector<FieldDef>& fields, std::string_view name);  // raises when absent
Error FieldNotFound(std::string_view name);  // "Field 'NAME' not found"

void AppendNumberText(std::string& out, const FieldDef& field, int64_t number, char separator);

// Text columns: the bytes as delivered; integers: plain digits; decimals:
// exact digits with the given separator (see DecimalText.h).
inline void AppendValueText(std::string& out, const FieldDef& field, std::string_view text,
                            int64_t number, char separator) {
    if (field.kind == FieldKind::Text)
        out.append(text);
    else
        AppendNumberText(out, field, number, separator);
}

// A row in the client's buffer, read like a snapshot's current row; valid
// only while the row is being handed over.
class CellRow {
  public:
    CellRow(const std::vector<FieldDef>& fields, const std::vector<CellValue>& cells,
            char separator)
        : fields_(fields), cells_(cells), separator_(separator) {}

    // NULL appends nothing.
    void AppendFieldText(int field, std::string& out) const {
        const auto index = static_cast<std::size_t>(field);
        const CellValue& cell = cells_[index];
        if (!cell.null) AppendValueText(out, fields_[index], cell.text, cell.number, separator_);
    }

  private:
    const std::vector<FieldDef>& fields_;
    const std::vector<CellValue>& cells_;
    char separator_;
};

}  // namespace tramex
