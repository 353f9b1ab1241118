// Building the statements of the edit log.
#include "data/RowStatements.h"

#include "data/DecimalText.h"

#include "common/TextCodec.h"

#include <cctype>

namespace tramex {
namespace {

SqlParameter ParameterOf(const FieldDef& field, const RowValue& value) {
    SqlParameter parameter;
    parameter.kind = field.kind;
    parameter.scale = field.kind == FieldKind::Decimal ? field.scale : 0;
    if (value.null) return parameter;
    if (field.kind == FieldKind::Text)
        parameter.text = value.text;
    else
        parameter.number = value.number;
    return parameter;
}

// "A = ? AND B IS NULL ...": a NULL old value can only match with IS NULL.
std::string WhereAllValues(const std::vector<SavedColumn>& columns,
                           const std::vector<FieldDef>& fields, const RowValues& original,
                           std::vector<SqlParameter>& parameters) {
    std::string where;
    for (const SavedColumn& column : columns) {
        const auto field = static_cast<size_t>(column.field);
        if (!where.empty()) where += " AND ";
        if (original[field].null) {
            where += column.sqlName + " IS NULL";
        } else {
            where += column.sqlName + " = ?";
            parameters.push_back(ParameterOf(fields[field], original[field]));
        }
    }
    return where;
}

std::string Describe(const char* action, const std::string& table,
                     const std::vector<SavedColumn>& columns, const std::vector<FieldDef>& fields,
                     const RowValues& values) {
    // Names the row by its first column, enough for the operator to find it.
    std::string text = std::string(action) + " " + table;
    if (columns.empty()) return text;
    const auto field = static_cast<size_t>(columns.front().field);
    const RowValue& first = values[field];
    std::string shown;
    if (first.null)
        shown = "NULL";
    else if (fields[field].kind == FieldKind::Text)
        shown = "'" + Cp1252ToUtf8(first.text) + "'";
    else
        shown = FormatDecimal(
            first.number, fields[field].kind == FieldKind::Decimal ? fields[field].scale : 0, '.');
    return text + " (" + columns.front().sqlName + " = " + shown + ")";
}

}  // namespace

std::string QuotedName(const std::string& name) {
    std::string quoted = "\"";
    for (char c : name) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string SqlName(const std::string& name) {
    bool plain = !name.empty() && std::isalpha(static_cast<unsigned char>(name[0]));
    for (char c : name)
        plain = plain && (std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$');
    return plain ? name : QuotedName(name);
}

RowStatement InsertStatement(const std::string& table, const std::vector<SavedColumn>& columns,
                             const std::vector<FieldDef>& fields, const RowValues& values) {
    RowStatement statement;
    std::string names;
    std::string marks;
    for (const SavedColumn& column : columns) {
        names += (names.empty() ? "" : ", ") + column.sqlName;
        marks += marks.empty() ? "?" : ", ?";
        const auto field = static_cast<size_t>(column.field);
        statement.parameters.push_back(ParameterOf(fields[field], values[field]));
    }
    statement.sql = "INSERT INTO " + SqlName(table) + " (" + names + ") VALUES (" + marks + ")";
    statement.description = Describe("Insert into", table, columns, fields, values);
    return statement;
}

RowStatement UpdateStatement(const std::string& table, const std::vector<SavedColumn>& columns,
                             const std::vector<FieldDef>& fields, const RowValues& original,
                             const RowValues& values) {
    RowStatement statement;
    std::string assignments;
    for (const SavedColumn& column : columns) {
        assignments += (assignments.empty() ? "" : ", ") + column.sqlName + " = ?";
        const auto field = static_cast<size_t>(column.field);
        statement.parameters.push_back(ParameterOf(fields[field], values[field]));
    }
    const std::string where = WhereAllValues(columns, fields, original, statement.parameters);
    statement.sql = "UPDATE " + SqlName(table) + " SET " + assignments + " WHERE " + where;
    statement.description = Describe("Update of", table, columns, fields, original);
    return statement;
}

RowStatement DeleteStatement(const std::string& table, const std::vector<SavedColumn>& columns,
                             const std::vector<FieldDef>& fields, const RowValues& original) {
    RowStatement statement;
    const std::string where = WhereAllValues(columns, fields, original, statement.parameters);
    statement.sql = "DELETE FROM " + SqlName(table) + " WHERE " + where;
    statement.description = Describe("Delete from", table, columns, fields, original);
    return statement;
}

}  // namespace tramex
