// Buffered output of one extract file: lines are gathered in a large block and
// handed to the device whenever the block fills, so a file is written as it
// goes and never held whole in memory.
#pragma once

#include "export/ArchiveCheck.h"

#include <QIODevice>

#include <cstddef>
#include <string>
#include <string_view>

namespace tramex {

class ExtractOutput {
  public:
    static constexpr std::size_t kBlockSize = 64 * 1024;

    // `name` is the path or label used in error messages; the device must be
    // open for writing and outlive this object.
    ExtractOutput(QIODevice& device, std::string name);

    // Appenders add bytes here; call EndLine() or Flush() to let them go out.
    std::string& Pending() { return pending_; }

    void Append(std::string_view bytes) { pending_ += bytes; }

    // Ends the line with CR LF and writes the block out once it is full.
    void EndLine() {
        pending_ += "\r\n";
        if (pending_.size() >= kBlockSize) Flush();
    }

    // Writes out everything pending; raises ExtractFileError when the device
    // takes less than it was given.
    void Flush();

    // Drops what is pending without writing it.
    void Discard() { pending_.clear(); }
    // For a device rewound to its start: forgets what was written.
    void Restart() {
        pending_.clear();
        written_ = {};
    }

    // CRC-32 and size of what reached the device, taken as it went out, so
    // the archive can be checked against what this run wrote.
    const FileChecksum& Written() const { return written_; }

    const std::string& Name() const { return name_; }

  private:
    QIODevice& device_;
    std::string name_;
    std::string pending_;
    FileChecksum written_;
};

}  // namespace tramex
