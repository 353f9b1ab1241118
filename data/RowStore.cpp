// Row encoding: per cell a varint header (text: 0 = NULL, else length + 1
// followed by the bytes; numbers: 0 = NULL, 1 followed by a zigzag varint).
#include "data/RowStore.h"

#include "data/FieldText.h"

#include <algorithm>

namespace tramex {
namespace {

uint64_t ZigZag(int64_t value) {
    return (static_cast<uint64_t>(value) << 1) ^ static_cast<uint64_t>(value >> 63);
}

constexpr size_t kFirstBlock = 4096;
constexpr size_t kLargestBlock = size_t{1} << 20;
constexpr int kBlockShift = 32;  // offset = block index << 32 | position in block

int64_t UnZigZag(uint64_t value) {
    return static_cast<int64_t>(value >> 1) ^ -static_cast<int64_t>(value & 1);
}

}  // namespace

void RowStore::Clear() {
    blocks_.clear();
    blocks_.shrink_to_fit();
    cachedRow_ = UINT64_MAX;
}

size_t RowStore::Bytes() const {
    size_t bytes = 0;
    for (const std::string& block : blocks_) bytes += block.capacity();
    return bytes;
}

uint64_t RowStore::Place() {
    if (blocks_.empty() || blocks_.back().capacity() - blocks_.back().size() < scratch_.size()) {
        const size_t previous = blocks_.empty() ? kFirstBlock / 2 : blocks_.back().capacity();
        std::string block;
        block.reserve(std::max(std::min(previous * 2, kLargestBlock), scratch_.size()));
        blocks_.push_back(std::move(block));
    }
    std::string& block = blocks_.back();
    const uint64_t offset =
        (static_cast<uint64_t>(blocks_.size() - 1) << kBlockShift) | block.size();
    block.append(scratch_);
    return offset;
}

std::string_view RowStore::RowBytes(uint64_t row) const {
    const std::string& block = blocks_[row >> kBlockShift];
    return std::string_view(block).substr(row & 0xFFFFFFFFu);
}

void RowStore::PutVarint(uint64_t value) {
    while (value >= 0x80) {
        scratch_ += static_cast<char>((value & 0x7F) | 0x80);
        value >>= 7;
    }
    scratch_ += static_cast<char>(value);
}

uint64_t RowStore::GetVarint(std::string_view bytes, size_t& pos) {
    uint64_t value = 0;
    for (int shift = 0;; shift += 7) {
        const auto byte = static_cast<unsigned char>(bytes[pos++]);
        value |= static_cast<uint64_t>(byte & 0x7F) << shift;
        if (!(byte & 0x80)) return value;
    }
}

void RowStore::PutNull() { scratch_ += '\0'; }

void RowStore::PutText(std::string_view bytes) {
    PutVarint(bytes.size() + 1);
    scratch_.append(bytes);
}

void RowStore::PutNumber(int64_t number) {
    scratch_ += '\1';
    PutVarint(ZigZag(number));
}

uint64_t RowStore::Append(const RowValues& values) {
    scratch_.clear();
    for (size_t i = 0; i < values.size(); ++i) {
        if (values[i].null)
            PutNull();
        else if ((*fields_)[i].kind == FieldKind::Text)
            PutText(values[i].text);
        else
            PutNumber(values[i].number);
    }
    return Place();
}

RowStore::Cell RowStore::Read(uint64_t row, int field) const {
    const std::string_view bytes = RowBytes(row);
    if (cachedRow_ != row) {
        // Record where each cell starts, walking the row once.
        cachedCells_.clear();
        size_t pos = 0;
        for (const FieldDef& def : *fields_) {
            cachedCells_.push_back(static_cast<uint32_t>(pos));
            const uint64_t header = GetVarint(bytes, pos);
            if (header == 0) continue;
            if (def.kind == FieldKind::Text)
                pos += header - 1;
            else
                GetVarint(bytes, pos);
        }
        cachedRow_ = row;
    }
    size_t pos = cachedCells_[static_cast<size_t>(field)];
    const uint64_t header = GetVarint(bytes, pos);
    if (header == 0) return Cell{true, {}, 0};
    if ((*fields_)[static_cast<size_t>(field)].kind == FieldKind::Text)
        return Cell{false, bytes.substr(pos, header - 1), 0};
    return Cell{false, {}, UnZigZag(GetVarint(bytes, pos))};
}

bool RowStore::IsNull(uint64_t row, int field) const { return Read(row, field).null; }

void RowStore::AppendText(uint64_t row, int field, std::string& out, char separator) const {
    const Cell cell = Read(row, field);
    if (cell.null) return;
    AppendValueText(out, (*fields_)[static_cast<size_t>(field)], cell.text, cell.number, separator);
}

bool RowStore::TextEquals(uint64_t row, int field, std::string_view value, char separator) const {
    const Cell cell = Read(row, field);
    if (cell.null) return value.empty();
    if ((*fields_)[static_cast<size_t>(field)].kind == FieldKind::Text) return cell.text == value;
    std::string text;
    AppendText(row, field, text, separator);
    return text == value;
}

RowValues RowStore::Decode(uint64_t row) const {
    RowValues values(fields_->size());
    for (size_t i = 0; i < values.size(); ++i) {
        const Cell cell = Read(row, static_cast<int>(i));
        values[i].null = cell.null;
        values[i].text = std::string(cell.text);
        values[i].number = cell.number;
    }
    return values;
}

}  // namespace tramex
