// Extract files written beside their final name and renamed into place.
#include "export/ExtractFile.h"

#include "export/ExtractFileError.h"

#include <filesystem>
#include <system_error>

namespace tramex {
namespace {

std::filesystem::path Utf8Path(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

}  // namespace

ExtractFile::ExtractFile(const std::string& path)
    : path_(path), file_(QString::fromStdString(path + ".tmp")), output_(file_, path) {
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        throw ExtractFileError::CannotCreate(path, file_.errorString().toStdString());
}

ExtractFile::~ExtractFile() {
    if (finished_) return;
    file_.close();
    file_.remove();
}

void ExtractFile::Finish() {
    output_.Flush();
    file_.close();
    if (file_.error() != QFileDevice::NoError)
        throw ExtractFileError::CannotWrite(path_, file_.errorString().toStdString());
    PutInPlace();
}

void ExtractFile::FinishHolding(std::string_view content) noexcept {
    try {
        output_.Restart();
        if (!file_.resize(0) || !file_.seek(0)) return;
        output_.Append(content);
        Finish();
    } catch (const Error&) {
        // The error that stopped the run is the one worth reporting.
    }
}

// Renaming replaces the old file in one step: readers see either the old
// file or the new one, never a mixture.
void ExtractFile::PutInPlace() {
    std::error_code error;
    std::filesystem::rename(Utf8Path(path_ + ".tmp"), Utf8Path(path_), error);
    if (error) throw ExtractFileError::CannotCreate(path_, error.message());
    finished_ = true;
}

std::string ExtractPath(const std::string& directory, std::string_view fileName) {
    std::string path = directory;
    path += '/';
    path += fileName;
    return path;
}

}  // namespace tramex
