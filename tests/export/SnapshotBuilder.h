// Test helper: in-memory report snapshots with the columns the procedures
// return, and the bytes a writer sends to a device.
#pragma once

#include "data/Instantanea.h"
#include "export/ExtractWriter.h"

#include <QBuffer>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tramex::test {

using Row = std::vector<std::optional<std::string>>;

inline std::unique_ptr<Instantanea> MakeSnapshot(std::vector<FieldDef> fields,
                                                 const std::vector<Row>& rows) {
    auto snapshot = std::make_unique<Instantanea>();
    snapshot->DefineFields(std::move(fields));
    snapshot->OpenInMemory();
    for (const Row& row : rows) snapshot->AppendRow(row);
    return snapshot;
}

inline FieldDef Text(const char* name, int width) { return {name, FieldKind::Text, width, 0}; }
inline FieldDef Decimal(const char* name, int scale) {
    return {name, FieldKind::Decimal, 15, scale};
}

// Writes title and records into memory and returns the bytes.
inline std::string WrittenBytes(Instantanea& snapshot, const ExtractLayout& layout,
                                const ExtractContext& context = {"3"}) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    WriteExtract(snapshot, layout, context, buffer, "memoria");
    return buffer.data().toStdString();
}

}  // namespace tramex::test
