// Record lines of the extract files, from snapshot rows to buffered bytes.
#include "export/ExtractWriter.h"

#include "data/Instantanea.h"
#include "export/ExtractFileError.h"

namespace tramex {
namespace {

// The format has no escape: a separator or line break inside a value would
// shift every later field, so each becomes a space.
void NeutraliseDelimiters(std::string& text, std::size_t from) {
    for (std::size_t i = from; i < text.size(); ++i) {
        const char c = text[i];
        if (c == kFieldSeparator || c == '\r' || c == '\n') text[i] = ' ';
    }
}

// Field index of each value, -1 where the value has no column.
std::vector<int> ResolveColumns(const Instantanea& snapshot, const ExtractLayout& layout) {
    std::vector<int> columns;
    columns.reserve(layout.values.size());
    for (const ValueSource& value : layout.values)
        columns.push_back(value.kind == ValueSource::Kind::Field
                              ? snapshot.FieldIndex(std::string(value.field))
                              : -1);
    return columns;
}

void AppendRecord(const Instantanea& snapshot, const ExtractLayout& layout,
                  const std::vector<int>& columns, const ExtractContext& context,
                  std::string& line) {
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (i > 0) line += kFieldSeparator;
        switch (layout.values[i].kind) {
            case ValueSource::Kind::Field: {
                const std::size_t start = line.size();
                snapshot.AppendFieldText(columns[i], line);
                NeutraliseDelimiters(line, start);
                break;
            }
            case ValueSource::Kind::Weekday:
                line += context.weekday;
                break;
            case ValueSource::Kind::Empty:
                break;
        }
    }
}

}  // namespace

ExtractContext ExtractContext::For(std::chrono::year_month_day date) {
    const std::chrono::weekday day{std::chrono::sys_days{date}};
    return ExtractContext{std::to_string(day.iso_encoding())};
}

void WriteTitle(const ExtractLayout& layout, ExtractOutput& out) {
    out.Append(layout.title);
    out.EndLine();
}

std::size_t WriteRecords(Instantanea& snapshot, const ExtractLayout& layout,
                         const ExtractContext& context, ExtractOutput& out) {
    const std::vector<int> columns = ResolveColumns(snapshot, layout);
    std::size_t rows = 0;
    for (snapshot.First(); !snapshot.Eof(); snapshot.Next()) {
        AppendRecord(snapshot, layout, columns, context, out.Pending());
        out.EndLine();
        ++rows;
    }
    return rows;
}

std::size_t WriteControlTotal(Instantanea& sales, ExtractOutput& out) {
    const int total = sales.FieldIndex(std::string(kControlTotalColumn));
    out.Append(kTotalesTitle);
    out.Append(std::string_view(&kFieldSeparator, 1));
    if (sales.IsEmpty()) return 0;
    // The procedure puts the period's control total on its last row.
    sales.Last();
    const std::size_t start = out.Pending().size();
    sales.AppendFieldText(total, out.Pending());
    NeutraliseDelimiters(out.Pending(), start);
    return 1;
}

std::size_t WriteExtract(Instantanea& snapshot, const ExtractLayout& layout,
                         const ExtractContext& context, QIODevice& device,
                         const std::string& name) {
    ResolveColumns(snapshot, layout);  // a missing column fails before any byte is written
    ExtractOutput out(device, name);
    WriteTitle(layout, out);
    const std::size_t rows = WriteRecords(snapshot, layout, context, out);
    out.Flush();
    return rows;
}

ExtractFile::ExtractFile(const std::string& path)
    : file_(QString::fromStdString(path)), output_(file_, path) {
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        throw ExtractFileError::CannotCreate(path, file_.errorString().toStdString());
}

void ExtractFile::Finish() {
    output_.Flush();
    file_.close();
    if (file_.error() != QFileDevice::NoError)
        throw ExtractFileError::CannotWrite(output_.Name(), file_.errorString().toStdString());
}

void ExtractFile::Abandon() noexcept {
    try {
        output_.Flush();
    } catch (const Error&) {
        // The error that made the run stop is the one worth reporting.
    }
    file_.close();
}

std::string ExtractPath(const std::string& directory, std::string_view fileName) {
    std::string path = directory;
    path += '/';
    path += fileName;
    return path;
}

std::size_t WriteExtractFile(Instantanea& snapshot, const ExtractLayout& layout,
                             const ExtractContext& context, const std::string& directory) {
    ResolveColumns(snapshot, layout);  // a missing column must not truncate the old file
    ExtractFile file(ExtractPath(directory, layout.fileName));
    WriteTitle(layout, file.Output());
    const std::size_t rows = WriteRecords(snapshot, layout, context, file.Output());
    file.Finish();
    return rows;
}

}  // namespace tramex
