// Instantanea: fetching, walking, searching and reading the snapshot.
#include "data/Instantanea.h"

#include "data/Connection.h"
#include "data/DecimalText.h"
#include "data/FieldText.h"

#include "common/Error.h"

namespace tramex {

namespace {

// Fills a snapshot's store straight from the client's row buffer.
class StoreSink : public ResultSink {
  public:
    StoreSink(std::vector<FieldDef>& fields, std::vector<std::string>& columns, RowStore& store,
              std::vector<uint64_t>& offsets)
        : fields_(fields), columns_(columns), store_(store), offsets_(offsets) {}

    void BeginResult(std::vector<FieldDef> fields, std::vector<std::string> columns) override {
        fields_ = std::move(fields);
        columns_ = std::move(columns);
    }
    void Row(const std::vector<CellValue>& cells) override {
        offsets_.push_back(store_.AppendCells(cells));
    }

  private:
    std::vector<FieldDef>& fields_;
    std::vector<std::string>& columns_;
    RowStore& store_;
    std::vector<uint64_t>& offsets_;
};

}  // namespace

Instantanea::Instantanea(Connection* connection) : connection_(connection) {
    store_.SetFields(&fields_);
}

void Instantanea::SetConnection(Connection* connection) { connection_ = connection; }
void Instantanea::SetCommandText(std::string sql) { commandText_ = std::move(sql); }
const std::string& Instantanea::CommandText() const { return commandText_; }
bool Instantanea::Active() const { return active_; }

void Instantanea::Open() {
    if (active_) return;
    if (!connection_) throw Error("Instantanea: no database connection");
    ResetRows();
    std::vector<uint64_t> offsets;
    StoreSink sink(fields_, columns_, store_, offsets);
    try {
        connection_->Query(commandText_, sink);
    } catch (...) {
        ResetRows();
        throw;
    }
    rows_.reserve(offsets.size());
    for (uint64_t offset : offsets) rows_.push_back(Slot{offset});
    fromDatabase_ = true;
    active_ = true;
    First();
}

void Instantanea::Close() {
    ResetRows();
    active_ = false;
}

void Instantanea::ResetRows() {
    rows_.clear();
    rows_.shrink_to_fit();
    store_.Clear();
    changes_.clear();
    baseline_.reset();
    editing_ = inserting_ = modified_ = false;
    editRow_.clear();
    current_ = 0;
    eof_ = bof_ = true;
}

void Instantanea::DefineFields(std::vector<FieldDef> fields) {
    if (active_) throw Error("Instantanea: cannot define fields while open");
    fields_ = std::move(fields);
    columns_.clear();
    for (const FieldDef& field : fields_) columns_.push_back(field.name);
    fromDatabase_ = false;
}

void Instantanea::OpenInMemory() {
    if (active_) return;
    ResetRows();
    active_ = true;
}

void Instantanea::AppendRow(const std::vector<std::optional<std::string>>& values) {
    RequireActive();
    CheckBrowseMode();
    if (values.size() != fields_.size())
        throw Error("Instantanea: a row needs " + std::to_string(fields_.size()) + " values");
    RowValues row(fields_.size());
    for (size_t i = 0; i < values.size(); ++i) {
        if (!values[i]) continue;
        row[i].null = false;
        if (fields_[i].kind == FieldKind::Text)
            row[i].text = *values[i];
        else
            row[i].number = ParseDecimal(
                *values[i], fields_[i].kind == FieldKind::Decimal ? fields_[i].scale : 0);
    }
    const uint64_t offset = store_.Append(row);
    rows_.push_back(Slot{offset});
    if (baseline_) baseline_->push_back(offset);
    if (rows_.size() == 1) First();
}

void Instantanea::RequireActive() const {
    if (!active_) throw Error("Instantanea: dataset not open");
}

void Instantanea::First() {
    RequireActive();
    CheckBrowseMode();
    current_ = 0;
    bof_ = true;
    eof_ = rows_.empty();
}

void Instantanea::Next() {
    RequireActive();
    CheckBrowseMode();
    if (current_ + 1 < rows_.size()) {
        ++current_;
        bof_ = false;
    } else {
        eof_ = true;
    }
}

void Instantanea::Prior() {
    RequireActive();
    CheckBrowseMode();
    if (current_ > 0) {
        --current_;
        eof_ = false;
    } else {
        bof_ = true;
    }
}

void Instantanea::Last() {
    RequireActive();
    CheckBrowseMode();
    current_ = rows_.empty() ? 0 : rows_.size() - 1;
    eof_ = true;
    bof_ = rows_.empty();
}

bool Instantanea::Eof() const { return eof_ || rows_.empty(); }
bool Instantanea::Bof() const { return bof_ || rows_.empty(); }
size_t Instantanea::RecordCount() const { return rows_.size(); }
size_t Instantanea::RecNo() const { return current_; }

void Instantanea::MoveTo(size_t row) {
    RequireActive();
    CheckBrowseMode();
    if (row >= rows_.size())
        throw Error("Instantanea: row " + std::to_string(row) + " out of range");
    current_ = row;
    eof_ = bof_ = false;
}

bool Instantanea::Locate(const std::string& field, const std::string& value) {
    RequireActive();
    CheckBrowseMode();
    const int index = FieldIndex(field);
    const char separator = DecimalSeparator();
    for (size_t row = 0; row < rows_.size(); ++row) {
        if (store_.TextEquals(rows_[row].offset, index, value, separator)) {
            current_ = row;
            eof_ = bof_ = false;
            return true;
        }
    }
    return false;
}

const std::vector<FieldDef>& Instantanea::Fields() const { return fields_; }

int Instantanea::FindField(const std::string& name) const { return FindFieldOf(fields_, name); }

int Instantanea::FieldIndex(const std::string& name) const { return FieldIndexOf(fields_, name); }

bool Instantanea::IsNull(int field) const {
    if (field < 0 || static_cast<size_t>(field) >= fields_.size())
        throw Error("Instantanea: field index out of range");
    if (const RowValues* edit = EditValues()) return (*edit)[static_cast<size_t>(field)].null;
    return rows_.empty() || store_.IsNull(rows_[current_].offset, field);
}

std::string Instantanea::FieldText(int field) const {
    std::string text;
    AppendFieldText(field, text);
    return text;
}

std::string Instantanea::FieldText(const std::string& name) const {
    return FieldText(FieldIndex(name));
}

void Instantanea::AppendFieldText(int field, std::string& out) const {
    if (IsNull(field)) return;
    if (const RowValues* edit = EditValues()) {
        const RowValue& value = (*edit)[static_cast<size_t>(field)];
        const FieldDef& def = fields_[static_cast<size_t>(field)];
        AppendValueText(out, def, value.text, value.number, DecimalSeparator());
        return;
    }
    store_.AppendText(rows_[current_].offset, field, out, DecimalSeparator());
}

bool Instantanea::IsNullAt(size_t row, int field) const {
    if (row >= rows_.size() || field < 0 || static_cast<size_t>(field) >= fields_.size())
        throw Error("Instantanea: row or field out of range");
    return store_.IsNull(rows_[row].offset, field);
}

std::string Instantanea::FieldTextAt(size_t row, int field) const {
    std::string text;
    if (!IsNullAt(row, field))
        store_.AppendText(rows_[row].offset, field, text, DecimalSeparator());
    return text;
}

}  // namespace tramex
