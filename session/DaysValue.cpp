// Number parsing that does not depend on the process locale: the settings file
// is the same whatever the workstation's regional settings.
#include "session/DaysValue.h"

#include <cctype>
#include <charconv>

namespace tramex {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::optional<double> ParseNumber(const std::string& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    bool negative = false;
    if (begin < end && (text[begin] == '+' || text[begin] == '-')) {
        negative = text[begin] == '-';
        ++begin;
    }
    // from_chars also knows "inf", "nan" and hexadecimal: only digits or a point may start.
    if (begin == end ||
        !(std::isdigit(static_cast<unsigned char>(text[begin])) || text[begin] == '.')) {
        return std::nullopt;
    }
    double value = 0;
    const auto result =
        std::from_chars(text.data() + begin, text.data() + end, value, std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != text.data() + end) return std::nullopt;
    return negative ? -value : value;
}

}  // namespace

std::optional<double> ParseDays(const std::string& text) {
    if (text.empty()) return std::nullopt;
    if (auto value = ParseNumber(text)) return value;
    throw ConversionError("'" + text + "' is not a valid floating point value");
}

}  // namespace tramex
