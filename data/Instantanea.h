// Instantanea: an in-memory snapshot of every row of one SQL command, walked
// front to back, searched and read as text; it also keeps the in-memory
// inserts and the edit log that the destination editor saves or discards.
#pragma once

#include "data/FieldDef.h"
#include "data/RowStore.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tramex {

class Connection;

class Instantanea {
  public:
    explicit Instantanea(Connection* connection = nullptr);
    Instantanea(const Instantanea&) = delete;
    Instantanea& operator=(const Instantanea&) = delete;

    void SetConnection(Connection* connection);
    void SetCommandText(std::string sql);
    const std::string& CommandText() const;

    // Runs the command and fetches every row; no effect when active. Opens
    // the connection with the entries it holds when it is closed.
    void Open();
    void Close();
    bool Active() const;

    // In-memory use without a command: define the fields, open, append rows.
    void DefineFields(std::vector<FieldDef> fields);
    void OpenInMemory();
    // Text: bytes; Integer: decimal text; Decimal: decimal text with "."
    // ("-2.50"), parsed exactly. nullopt is NULL. Raises Error on bad numbers.
    void AppendRow(const std::vector<std::optional<std::string>>& values);

    // Navigation. After Next on the last row Eof is true and the snapshot
    // still stands on its last row.
    void First();
    void Next();
    void Prior();
    void Last();
    bool Eof() const;
    bool Bof() const;
    size_t RecordCount() const;
    bool IsEmpty() const { return RecordCount() == 0; }
    size_t RecNo() const;  // 0-based index of the current row
    void MoveTo(size_t row);

    // First row whose field text equals value exactly (case-sensitive, whole
    // value; NULL reads as empty text). The current row is unchanged when none.
    bool Locate(const std::string& field, const std::string& value);

    const std::vector<FieldDef>& Fields() const;
    int FieldIndex(const std::string& name) const;  // raises Error when absent
    int FindField(const std::string& name) const;   // -1 when absent

    // The current row (or the row being edited). NULL reads as "".
    bool IsNull(int field) const;
    std::string FieldText(int field) const;
    std::string FieldText(const std::string& name) const;
    void AppendFieldText(int field, std::string& out) const;

    // Any row by index, for table models; ignores a row being edited.
    bool IsNullAt(size_t row, int field) const;
    std::string FieldTextAt(size_t row, int field) const;

    // Editing. SetFieldText on a browsed row starts editing it; Insert opens
    // a new row (all NULL) before the current one. Post keeps the row in
    // memory and records it in the edit log; navigation posts first.
    void Insert();
    void Edit();
    void SetFieldText(int field, std::optional<std::string> value);
    void Post();
    void Cancel();
    void Delete();
    bool Editing() const;  // editing an existing row or inserting
    bool Inserting() const;
    bool Modified() const;  // the row being edited has changed values

    // Edit log: pending inserts, updates and deletes since the last fetch or save.
    size_t PendingChanges() const;
    // Sends the log to tableName in one transaction; on failure raises the
    // database error, rolls everything back and keeps the log pending.
    void ApplyUpdates(const std::string& tableName);
    // Drops the log and restores the rows as last fetched or saved.
    void CancelUpdates();

  private:
    enum class ChangeKind { Insert, Update, Delete };
    struct Change {
        ChangeKind kind;
        uint64_t original;  // RowStore offset of the row as fetched (Update, Delete)
        uint64_t current;   // RowStore offset of the row now (Insert, Update)
        bool live = true;
    };
    struct Slot {
        uint64_t offset;
        int64_t change = -1;  // index in changes_, -1 when unchanged
    };

    void RequireActive() const;
    void CheckBrowseMode();
    void ResetRows();
    void BeginEdit(bool inserting);
    void RecordUpdate(size_t row, uint64_t newOffset);
    void RecordDelete(size_t row);
    void SaveBaseline();
    RowValues CurrentValues() const;
    const RowValues* EditValues() const;
    std::vector<std::string> UpdatableColumns() const;

    Connection* connection_;
    std::string commandText_;
    bool active_ = false;
    std::vector<FieldDef> fields_;
    std::vector<std::string> columns_;
    bool fromDatabase_ = false;

    RowStore store_;
    std::vector<Slot> rows_;
    size_t current_ = 0;
    bool eof_ = true;
    bool bof_ = true;

    bool editing_ = false;
    bool inserting_ = false;
    bool modified_ = false;
    RowValues editRow_;

    std::vector<Change> changes_;
    std::optional<std::vector<uint64_t>> baseline_;  // rows as last fetched or saved
};

}  // namespace tramex
