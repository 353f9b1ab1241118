// The description of one snapshot field: name, kind, width and scale.
#pragma once

#include <string>

namespace tramex {

enum class FieldKind { Text, Integer, Decimal };

struct FieldDef {
    std::string name;
    FieldKind kind;
    int width;  // Text: characters; numbers: digits
    int scale;  // Decimal: digits after the point; otherwise 0
};

}  // namespace tramex
