// One extract file on disk, written under NAME.tmp beside its final name and
// put in place only when complete, so a run that stops half way never leaves
// a short file where the receiving side would take it for a whole one.
#pragma once

#include "export/ExtractOutput.h"

#include <QFile>

#include <string>
#include <string_view>

namespace tramex {

class ExtractFile {
  public:
    // Creates or truncates path + ".tmp"; raises ExtractFileError naming
    // `path` and the system's reason when it cannot.
    explicit ExtractFile(const std::string& path);
    ExtractFile(const ExtractFile&) = delete;
    ExtractFile& operator=(const ExtractFile&) = delete;
    // Unless finished, closes and removes the temporary file: the file under
    // the final name stays as it was.
    ~ExtractFile();

    ExtractOutput& Output() { return output_; }

    // Flushes, closes and renames over the final name; a failure raises and
    // leaves the final name untouched.
    void Finish();

    // Puts the file in place holding only `content`, whatever was written
    // before, without raising: for a run that fails after the file's opening
    // bytes are due, where the error that stopped it is the one to report.
    void FinishHolding(std::string_view content) noexcept;

  private:
    void PutInPlace();

    std::string path_;
    QFile file_;
    ExtractOutput output_;
    bool finished_ = false;
};

// The file-name form: the data directory, "/" and the file name.
std::string ExtractPath(const std::string& directory, std::string_view fileName);

}  // namespace tramex
