// Exact decimal text from an integer and a scale; the process-wide separator.
#include "data/DecimalText.h"

#include <QLocale>
#include <QString>

#include <atomic>

namespace tramex {
namespace {

constexpr int kUnset = -1;
std::atomic<int> chosenSeparator{kUnset};

char RegionalSeparator() {
    const QString point = QLocale::system().decimalPoint();
    // The files are single-byte text: a separator outside Latin-1 cannot be written.
    if (point.size() != 1 || point.at(0).unicode() > 0xFF)
        return '.';
    return static_cast<char>(point.at(0).unicode());
}

}  // namespace

void AppendDecimal(std::string& out, int64_t unscaled, int scale, char separator) {
    // Work on the magnitude as unsigned so INT64_MIN has a positive counterpart.
    uint64_t magnitude = unscaled < 0 ? 0 - static_cast<uint64_t>(unscaled) : static_cast<uint64_t>(unscaled);
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
    if (unscaled < 0)
        out += '-';
    if (scale <= 0) {
        for (int i = count - 1; i >= 0; --i)
            out += digits[i];
        out.append(static_cast<size_t>(-scale), '0');
        return;
    }
    // digits[0] is the last fraction digit; skip the fraction's trailing zeros.
    int firstKept = 0;
    while (firstKept < scale && firstKept < count && digits[firstKept] == '0')
        ++firstKept;
    if (count <= scale)
        out += '0';
    for (int i = count - 1; i >= scale; --i)
        out += digits[i];
    if (firstKept >= scale)
        return;
    out += separator;
    for (int i = scale - 1; i >= firstKept; --i)
        out += i < count ? digits[i] : '0';
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
