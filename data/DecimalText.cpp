// Exact decimal text from an integer and a scale; the process-wide separator.
#include "data/DecimalText.h"

#include <QLocale>
#include <QString>

#include "common/Error.h"

#include <atomic>
#include <limits>

namespace tramex {
namespace {

constexpr int kUnset = -1;
std::atomic<int> chosenSeparator{kUnset};

char RegionalSeparator() {
    const QString point = QLocale::system().decimalPoint();
    // The files are single-byte text: a separator outside Latin-1 cannot be written.
    if (point.size() != 1 || point.at(0).unicode() > 0xFF) return '.';
    return static_cast<char>(point.at(0).unicode());
}

}  // namespace

void AppendDecimal(std::string& out, int64_t unscaled, int scale, char separator) {
    // Work on the magnitude as unsigned so INT64_MIN has a positive counterpart.
    uint64_t magnitude =
        unscaled < 0 ? 0 - static_cast<uint64_t>(unscaled) : static_cast<uint64_t>(unscaled);
    if (magnitude == 0) {
        out += '0';
        return;
    }
    char digits[24];
    int count = 0;
    while (magnitude > 0) {
        digits[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    }
    if (unscaled < 0) out += '-';
    if (scale <= 0) {
        for (int i = count - 1; i >= 0; --i) out += digits[i];
        out.append(static_cast<size_t>(-scale), '0');
        return;
    }
    // digits[0] is the last fraction digit; skip the fraction's trailing zeros.
    int firstKept = 0;
    while (firstKept < scale && firstKept < count && digits[firstKept] == '0') ++firstKept;
    if (count <= scale) out += '0';
    for (int i = count - 1; i >= scale; --i) out += digits[i];
    if (firstKept >= scale) return;
    out += separator;
    for (int i = scale - 1; i >= firstKept; --i) out += i < count ? digits[i] : '0';
}

int64_t ParseDecimal(std::string_view text, int scale, char separator) {
    const std::string quoted = "Invalid number: \"" + std::string(text) + "\"";
    size_t pos = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) ++pos;
    // Accumulate the magnitude negatively so INT64_MIN fits.
    int64_t value = 0;
    int fractionDigits = 0;
    bool seenPoint = false;
    bool seenDigit = false;
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        if ((c == '.' || c == separator) && !seenPoint) {
            seenPoint = true;
            continue;
        }
        if (c < '0' || c > '9') throw Error(quoted);
        seenDigit = true;
        if (seenPoint && fractionDigits >= scale) {
            if (c != '0') throw Error(quoted);  // more precision than the field keeps
            continue;
        }
        if (seenPoint) ++fractionDigits;
        if (value < (std::numeric_limits<int64_t>::min() + (c - '0')) / 10) throw Error(quoted);
        value = value * 10 - (c - '0');
    }
    if (!seenDigit) throw Error(quoted);
    for (; fractionDigits < scale; ++fractionDigits) {
        if (value < std::numeric_limits<int64_t>::min() / 10) throw Error(quoted);
        value *= 10;
    }
    if (!negative && value == std::numeric_limits<int64_t>::min()) throw Error(quoted);
    return negative ? value : -value;
}

std::string FormatDecimal(int64_t unscaled, int scale, char separator) {
    std::string text;
    AppendDecimal(text, unscaled, scale, separator);
    return text;
}

char DecimalSeparator() {
    int separator = chosenSeparator.load();
    if (separator == kUnset) {
        separator = static_cast<unsigned char>(RegionalSeparator());
        int expected = kUnset;
        chosenSeparator.compare_exchange_strong(expected, separator);
        separator = chosenSeparator.load();
    }
    return static_cast<char>(separator);
}

void SetDecimalSeparator(char separator) {
    chosenSeparator.store(static_cast<unsigned char>(separator));
}

}  // namespace tramex
