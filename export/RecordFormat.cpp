// Column lookup for a layout and the weekday value.
#include "export/RecordFormat.h"

#include "data/FieldText.h"

namespace tramex {

ExtractContext ExtractContext::For(std::chrono::year_month_day date) {
    const std::chrono::weekday day{std::chrono::sys_days{date}};
    return ExtractContext{std::to_string(day.iso_encoding())};
}

void NeutraliseDelimiters(std::string& text, std::size_t from) {
    for (std::size_t i = from; i < text.size(); ++i) {
        const char c = text[i];
        if (c == kFieldSeparator || c == '\r' || c == '\n') text[i] = ' ';
    }
}

RecordFormat::RecordFormat(const ExtractLayout& layout, const ExtractContext& context,
                           const std::vector<FieldDef>& fields)
    : layout_(layout), weekday_(context.weekday) {
    columns_.reserve(layout.values.size());
    for (const ValueSource& value : layout.values)
        columns_.push_back(
            value.kind == ValueSource::Kind::Field ? FieldIndexOf(fields, value.field) : -1);
}

}  // namespace tramex
