#include "common/SqlText.h"

namespace tramex {

std::string SqlStringLiteral(std::string_view text) {
    std::string literal = "'";
    for (char c : text) {
        if (c == '\'') literal += '\'';
        literal += c;
    }
    literal += '\'';
    return literal;
}

}  // namespace tramex
