// Compact row storage for the snapshots: every row encoded one after another
// in one growing buffer, addressed by its offset. The buffer grows in blocks
// so that it never needs a copy of itself (no doubling peak when it grows).
#pragma once

#include "data/FieldDef.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tramex {

// One value while a row is being built or edited: NULL, bytes or a number.
struct RowValue {
    bool null = true;
    std::string text;    // Text fields
    int64_t number = 0;  // Integer and Decimal fields (Decimal scaled by its field)
};
using RowValues = std::vector<RowValue>;

class RowStore {
  public:
    void SetFields(const std::vector<FieldDef>* fields) { fields_ = fields; }
    void Clear();

    // Appends an encoded row; returns its offset.
    uint64_t Append(const RowValues& values);
    template <typename Cells>
    uint64_t AppendCells(const Cells& cells);  // CellValue-like: null, text, number

    // Reading a stored row.
    bool IsNull(uint64_t row, int field) const;
    void AppendText(uint64_t row, int field, std::string& out, char separator) const;
    bool TextEquals(uint64_t row, int field, std::string_view value, char separator) const;
    RowValues Decode(uint64_t row) const;

    size_t Bytes() const;  // bytes reserved by the buffer

  private:
    struct Cell {
        bool null;
        std::string_view text;
        int64_t number;
    };
    Cell Read(uint64_t row, int field) const;
    void PutText(std::string_view bytes);
    void PutNumber(int64_t number);
    void PutNull();
    void PutVarint(uint64_t value);
    static uint64_t GetVarint(std::string_view bytes, size_t& pos);
    uint64_t Place();  // moves the encoded row into the buffer
    std::string_view RowBytes(uint64_t row) const;

    const std::vector<FieldDef>* fields_ = nullptr;
    std::vector<std::string> blocks_;
    std::string scratch_;  // the row being encoded
    // Cell offsets of the last row read, so reading a row field by field
    // does not decode it again each time.
    mutable uint64_t cachedRow_ = UINT64_MAX;
    mutable std::vector<uint32_t> cachedCells_;
};

template <typename Cells>
uint64_t RowStore::AppendCells(const Cells& cells) {
    scratch_.clear();
    for (size_t i = 0; i < cells.size(); ++i) {
        const auto& cell = cells[i];
        if (cell.null)
            PutNull();
        else if ((*fields_)[i].kind == FieldKind::Text)
            PutText(cell.text);
        else
            PutNumber(cell.number);
    }
    return Place();
}

}  // namespace tramex
