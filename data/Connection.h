// The connection to the ERP's Firebird database ("Quintor"): connection
// entries, attach and detach, and the statements the snapshots run over it.
#pragma once

#include "data/FieldDef.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tramex {

enum class ConnectionState { Closed, Open, Connecting, Executing, Fetching, Disconnecting };

// One value of a fetched row, valid only during the ResultSink::Row call.
// Text: bytes exactly as delivered; Integer and Decimal: number (Decimal with
// the column's scale).
struct CellValue {
    bool null = true;
    std::string_view text;
    int64_t number = 0;
};

// Receives a result set without copies: the columns once, then every row.
class ResultSink {
  public:
    virtual ~ResultSink() = default;
    // columns: the relation column behind each field ("" when computed).
    virtual void BeginResult(std::vector<FieldDef> fields, std::vector<std::string> columns) = 0;
    virtual void Row(const std::vector<CellValue>& cells) = 0;
};

// A parameter value: NULL, bytes, or a scaled integer (scale 0 for integers).
struct SqlParameter {
    FieldKind kind = FieldKind::Text;
    std::optional<std::string> text;  // Text: bytes; nullopt: NULL
    std::optional<int64_t> number;    // Integer/Decimal; nullopt: NULL
    int scale = 0;

    bool IsNull() const { return kind == FieldKind::Text ? !text : !number; }
};

// One statement of a batch; it must touch exactly one row.
struct RowStatement {
    std::string sql;
    std::vector<SqlParameter> parameters;
    std::string description;  // names the row in the error when it fails
};

class Connection {
  public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Entry names compare case-insensitively; setting "password" replaces "Password".
    void SetEntry(std::string name, std::string value);
    std::string Entry(const std::string& name) const;  // "" when absent

    // Client library file name (default libfbclient.so.2 / fbclient.dll).
    void SetLibraryName(std::string name);
    const std::string& LibraryName() const;

    void Open();   // no effect when open; raises LibraryLoadError or DatabaseError
    void Close();  // no effect when closed
    bool Connected() const;
    ConnectionState State() const;

    // Runs one statement in its own transaction (fixtures, DDL, plain DML).
    void ExecuteDdl(const std::string& sql);
    void ExecuteDdl(const std::string& sql, const std::vector<SqlParameter>& parameters);

    // Runs a SELECT (or a selectable procedure) and hands every row to sink.
    // Opens the connection first when it is closed.
    void Query(const std::string& sql, ResultSink& sink);

    // Runs every statement in one transaction; the first that fails or does
    // not touch exactly one row rolls the whole batch back and raises.
    void ExecuteRowBatch(const std::vector<RowStatement>& statements);

    // Creates a database file with the entries held (fixtures); leaves it attached.
    void CreateDatabase();
    // Drops the attached database (fixtures); leaves the connection closed.
    void DropDatabase();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tramex
