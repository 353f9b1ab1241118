// Field lookup and the text of numeric values.
#include "data/FieldText.h"

#include "data/DecimalText.h"

#include "common/Error.h"

#include <charconv>

namespace tramex {

int FindFieldOf(const std::vector<FieldDef>& fields, std::string_view name) {
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (fields[i].name == name) return static_cast<int>(i);
    return -1;
}

int FieldIndexOf(const std::vector<FieldDef>& fields, std::string_view name) {
    const int index = FindFieldOf(fields, name);
    if (index < 0) throw FieldNotFound(name);
    return index;
}

Error FieldNotFound(std::string_view name) {
    return Error("Field '" + std::string(name) + "' not found");
}

void AppendNumberText(std::string& out, const FieldDef& field, int64_t number, char separator) {
    if (field.kind == FieldKind::Decimal) {
        AppendDecimal(out, number, field.scale, separator);
        return;
    }
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, number);
    out.append(digits, result.ptr);
}

}  // namespace tramex
