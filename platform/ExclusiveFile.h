// Reads a whole file while holding it open without sharing, so a file that
// another process is writing is not read half-done.
#pragma once

#include <optional>
#include <string>

namespace tramex {

// The file's bytes; nullopt when it cannot be opened or read (absent, no
// access, a directory, or held open by another process).
std::optional<std::string> ReadFileExclusively(const std::string& utf8Path);

}  // namespace tramex
