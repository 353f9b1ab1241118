// Instantanea: in-memory inserts, edits and deletes, and the edit log that is
// saved to the database in one transaction or discarded.
#include "data/Instantanea.h"

#include "data/Connection.h"
#include "data/DecimalText.h"
#include "data/RowStatements.h"

#include "common/Error.h"

namespace tramex {

bool Instantanea::Editing() const { return editing_; }
bool Instantanea::Inserting() const { return inserting_; }
bool Instantanea::Modified() const { return modified_; }

const RowValues* Instantanea::EditValues() const { return editing_ ? &editRow_ : nullptr; }

void Instantanea::CheckBrowseMode() {
    if (editing_) Post();
}

void Instantanea::BeginEdit(bool inserting) {
    editing_ = true;
    inserting_ = inserting;
    modified_ = false;
    editRow_ = inserting ? RowValues(fields_.size()) : store_.Decode(rows_[current_].offset);
}

void Instantanea::Insert() {
    RequireActive();
    CheckBrowseMode();
    BeginEdit(true);
}

void Instantanea::Edit() {
    RequireActive();
    if (editing_) return;
    if (rows_.empty()) throw Error("Cannot perform this operation on an empty dataset");
    BeginEdit(false);
}

void Instantanea::SetFieldText(int field, std::optional<std::string> value) {
    if (field < 0 || static_cast<size_t>(field) >= fields_.size())
        throw Error("Instantanea: field index out of range");
    Edit();
    const FieldDef& def = fields_[static_cast<size_t>(field)];
    RowValue parsed;
    if (value) {
        parsed.null = false;
        if (def.kind == FieldKind::Text)
            parsed.text = std::move(*value);
        else
            parsed.number = ParseDecimal(*value, def.kind == FieldKind::Decimal ? def.scale : 0,
                                         DecimalSeparator());
    }
    editRow_[static_cast<size_t>(field)] = std::move(parsed);
    modified_ = true;
}

void Instantanea::Post() {
    if (!editing_) return;
    const bool inserting = inserting_;
    const bool modified = modified_;
    editing_ = inserting_ = modified_ = false;
    if (!modified) return;  // an untouched new row is dropped, an untouched row stays as it was
    const uint64_t offset = store_.Append(editRow_);
    editRow_.clear();
    SaveBaseline();
    if (inserting) {
        changes_.push_back(Change{ChangeKind::Insert, 0, offset});
        rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(current_),
                     Slot{offset, static_cast<int64_t>(changes_.size() - 1)});
        eof_ = bof_ = false;
    } else {
        RecordUpdate(current_, offset);
    }
}

void Instantanea::Cancel() {
    editing_ = inserting_ = modified_ = false;
    editRow_.clear();
}

void Instantanea::Delete() {
    RequireActive();
    if (inserting_) {
        Cancel();
        return;
    }
    Cancel();
    if (rows_.empty()) throw Error("Cannot perform this operation on an empty dataset");
    RecordDelete(current_);
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(current_));
    if (current_ >= rows_.size() && current_ > 0) current_ = rows_.size() - 1;
    eof_ = rows_.empty();
}

void Instantanea::SaveBaseline() {
    if (baseline_) return;
    baseline_.emplace();
    baseline_->reserve(rows_.size());
    for (const Slot& slot : rows_) baseline_->push_back(slot.offset);
}

void Instantanea::RecordUpdate(size_t row, uint64_t newOffset) {
    Slot& slot = rows_[row];
    if (slot.change < 0) {
        changes_.push_back(Change{ChangeKind::Update, slot.offset, newOffset});
        slot.change = static_cast<int64_t>(changes_.size() - 1);
    } else {
        changes_[static_cast<size_t>(slot.change)].current =
            newOffset;  // an insert stays an insert
    }
    slot.offset = newOffset;
}

void Instantanea::RecordDelete(size_t row) {
    SaveBaseline();
    const Slot& slot = rows_[row];
    if (slot.change < 0) {
        changes_.push_back(Change{ChangeKind::Delete, slot.offset, 0});
        return;
    }
    Change& change = changes_[static_cast<size_t>(slot.change)];
    if (change.kind == ChangeKind::Insert)
        change.live = false;  // never reached the database: nothing to send
    else
        change.kind = ChangeKind::Delete;  // keeps the values as fetched
}

size_t Instantanea::PendingChanges() const {
    size_t count = 0;
    for (const Change& change : changes_) count += change.live ? 1 : 0;
    return count;
}

void Instantanea::CancelUpdates() {
    Cancel();
    if (baseline_) {
        rows_.clear();
        for (uint64_t offset : *baseline_) rows_.push_back(Slot{offset});
        baseline_.reset();
    }
    changes_.clear();
    if (current_ >= rows_.size()) current_ = rows_.empty() ? 0 : rows_.size() - 1;
    eof_ = rows_.empty();
}

std::vector<std::string> Instantanea::UpdatableColumns() const {
    std::vector<std::string> names;
    for (size_t i = 0; i < fields_.size(); ++i) {
        // Fetched rows name their table columns exactly; computed columns have none.
        if (fromDatabase_)
            names.push_back(columns_[i].empty() ? std::string() : QuotedName(columns_[i]));
        else
            names.push_back(SqlName(fields_[i].name));
    }
    return names;
}

void Instantanea::ApplyUpdates(const std::string& tableName) {
    RequireActive();
    CheckBrowseMode();
    if (PendingChanges() == 0) return;
    if (!connection_) throw Error("Instantanea: no database connection");
    std::vector<SavedColumn> columns;
    const auto names = UpdatableColumns();
    for (size_t i = 0; i < names.size(); ++i)
        if (!names[i].empty()) columns.push_back(SavedColumn{names[i], static_cast<int>(i)});
    std::vector<RowStatement> statements;
    for (const Change& change : changes_) {
        if (!change.live) continue;
        if (change.kind == ChangeKind::Insert)
            statements.push_back(
                InsertStatement(tableName, columns, fields_, store_.Decode(change.current)));
        else if (change.kind == ChangeKind::Update)
            statements.push_back(UpdateStatement(tableName, columns, fields_,
                                                 store_.Decode(change.original),
                                                 store_.Decode(change.current)));
        else
            statements.push_back(
                DeleteStatement(tableName, columns, fields_, store_.Decode(change.original)));
    }
    connection_->ExecuteRowBatch(statements);
    // Saved: the rows as they stand are now the rows as last saved.
    changes_.clear();
    baseline_.reset();
    for (Slot& slot : rows_) slot.change = -1;
}

}  // namespace tramex
