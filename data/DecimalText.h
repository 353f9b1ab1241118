// Text of a scaled decimal as the extract files and the windows show it:
// exact digits, no rounding, trailing fraction zeros dropped, host separator.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tramex {

// unscaled * 10^-scale, e.g. (-250, 2, '.') -> "-2.5", (0, 2, ',') -> "0".
std::string FormatDecimal(int64_t unscaled, int scale, char separator);

// Appends the same text to out without a temporary string.
void AppendDecimal(std::string& out, int64_t unscaled, int scale, char separator);

// The unscaled integer of a decimal text at the given scale: optional "-",
// digits, and "." or separator before the fraction ("-2.50" at scale 2 ->
// -250). Raises tramex::Error for anything else, for more fraction digits
// than the scale holds (unless they are zeros) and for overflow: a value is
// never rounded.
int64_t ParseDecimal(std::string_view text, int scale, char separator = '.');

// The separator in effect for the process: the regional setting's until
// SetDecimalSeparator is called (tests and tools fix it).
char DecimalSeparator();
void SetDecimalSeparator(char separator);

}  // namespace tramex
