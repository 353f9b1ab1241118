// Extract files written from rows as they are fetched.
#include "export/ExtractStream.h"

#include "data/DecimalText.h"
#include "data/FieldText.h"
#include "export/ExtractWriter.h"

namespace tramex {

ExtractStream::ExtractStream(const ExtractLayout& layout, const ExtractContext& context,
                             std::string path, std::function<void()> betweenRows)
    : layout_(layout),
      context_(context),
      path_(std::move(path)),
      betweenRows_(std::move(betweenRows)) {}

void ExtractStream::Create() {
    file_.emplace(path_);
    WriteTitle(layout_, file_->Output());
}

void ExtractStream::BeginResult(std::vector<FieldDef> fields, std::vector<std::string>) {
    // A missing column raises here, before the file is touched.
    format_.emplace(layout_, context_, fields);
    fields_ = std::move(fields);
    separator_ = DecimalSeparator();
    if (last_) {
        lastField_ = FindFieldOf(fields_, last_->column);
        last_->present = lastField_ >= 0;
    }
    if (!file_) Create();
}

// The one place every fetched row passes through.
void ExtractStream::Row(const std::vector<CellValue>& cells) {
    if (betweenRows_) betweenRows_();
    const CellRow row(fields_, cells, separator_);
    ExtractOutput& out = file_->Output();
    format_->Append(row, out.Pending());
    out.EndLine();
    ++rows_;
    if (last_) {
        last_->seen = true;
        last_->text.clear();
        if (lastField_ >= 0) row.AppendFieldText(lastField_, last_->text);
    }
}

std::size_t ExtractStream::Finish() {
    file_->Finish();
    return rows_;
}

void ExtractStream::FinishWithTitleOnly() noexcept {
    if (!file_) return;
    std::string title(layout_.title);
    title += "\r\n";
    file_->FinishHolding(title);
}

}  // namespace tramex
