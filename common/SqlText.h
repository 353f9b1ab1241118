// SQL text built by the program itself (never from values the database
// could take as parameters instead).
#pragma once

#include <string>
#include <string_view>

namespace tramex {

// The text enclosed in single quotes, each single quote inside doubled.
std::string SqlStringLiteral(std::string_view text);

}  // namespace tramex
