// Extract files from snapshots, with the record format the streamed run uses.
#include "export/ExtractWriter.h"

#include "data/Instantanea.h"

namespace tramex {
namespace {

std::size_t WriteRecords(Instantanea& snapshot, const RecordFormat& format, ExtractOutput& out) {
    std::size_t rows = 0;
    for (snapshot.First(); !snapshot.Eof(); snapshot.Next()) {
        format.Append(snapshot, out.Pending());
        out.EndLine();
        ++rows;
    }
    return rows;
}

}  // namespace

void WriteTitle(const ExtractLayout& layout, ExtractOutput& out) {
    out.Append(layout.title);
    out.EndLine();
}

std::size_t WriteControlTotal(std::optional<std::string_view> lastTotal, ExtractOutput& out) {
    out.Append(kTotalesTitle);
    out.Append(std::string_view(&kFieldSeparator, 1));
    if (!lastTotal) return 0;
    const std::size_t start = out.Pending().size();
    out.Append(*lastTotal);
    NeutraliseDelimiters(out.Pending(), start);
    return 1;
}

std::size_t WriteControlTotal(Instantanea& sales, ExtractOutput& out) {
    const int total = sales.FieldIndex(std::string(kControlTotalColumn));
    if (sales.IsEmpty()) return WriteControlTotal(std::nullopt, out);
    // The procedure puts the period's control total on its last row.
    sales.Last();
    return WriteControlTotal(sales.FieldText(total), out);
}

std::size_t WriteExtract(Instantanea& snapshot, const ExtractLayout& layout,
                         const ExtractContext& context, QIODevice& device,
                         const std::string& name) {
    const RecordFormat format(layout, context, snapshot.Fields());
    ExtractOutput out(device, name);
    WriteTitle(layout, out);
    const std::size_t rows = WriteRecords(snapshot, format, out);
    out.Flush();
    return rows;
}

std::size_t WriteExtractFile(Instantanea& snapshot, const ExtractLayout& layout,
                             const ExtractContext& context, const std::string& directory) {
    const RecordFormat format(layout, context, snapshot.Fields());
    ExtractFile file(ExtractPath(directory, layout.fileName));
    WriteTitle(layout, file.Output());
    const std::size_t rows = WriteRecords(snapshot, format, file.Output());
    file.Finish();
    return rows;
}

}  // namespace tramex
