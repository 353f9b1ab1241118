// The INSERT, UPDATE and DELETE statements that save a snapshot's edit log:
// values always travel as parameters; a row is found by all its old values.
#pragma once

#include "data/Connection.h"
#include "data/RowStore.h"

#include <string>
#include <vector>

namespace tramex {

// A column the log writes: its name in SQL and the snapshot field behind it.
struct SavedColumn {
    std::string sqlName;  // already quoted where needed
    int field;
};

// Dialect 3 name: plain identifiers stay unquoted (case-insensitive, as
// typed); anything else is quoted with inner quotes doubled.
std::string SqlName(const std::string& name);
std::string QuotedName(const std::string& name);  // always quoted, exact case

RowStatement InsertStatement(const std::string& table, const std::vector<SavedColumn>& columns,
                             const std::vector<FieldDef>& fields, const RowValues& values);
RowStatement UpdateStatement(const std::string& table, const std::vector<SavedColumn>& columns,
                             const std::vector<FieldDef>& fields, const RowValues& original,
                             const RowValues& values);
RowStatement DeleteStatement(const std::string& table, const std::vector<SavedColumn>& columns,
                             const std::vector<FieldDef>& fields, const RowValues& original);

}  // namespace tramex
