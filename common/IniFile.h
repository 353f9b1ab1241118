// An options file of [Section] headers and key=value lines, read literally:
// the value is what follows the first "=", so a Windows path keeps its
// backslashes. Blanks around it go, a comment begun by a blank and ";" goes,
// and one pair of double quotes around it goes (paths copied with quotes).
// Sections and keys compare without regard to case, as Windows INI files do.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tramex {

class IniFile {
  public:
    // Reads the file at path (UTF-8 name and content; a leading byte order
    // mark is skipped). Nothing when it cannot be opened.
    static std::optional<IniFile> Load(const std::string& path);
    static IniFile Parse(std::string_view text);

    // The key's last value in the section.
    std::optional<std::string> Value(std::string_view section, std::string_view key) const;
    // The section's keys as written, with their values, in file order.
    std::vector<std::pair<std::string, std::string>> Entries(std::string_view section) const;
    // Lines that are neither a header, a key=value, a comment nor blank.
    const std::vector<std::string>& UnreadLines() const { return unreadLines_; }

  private:
    struct Entry {
        std::string Section;  // lower case
        std::string Key;
        std::string Value;
    };
    std::vector<Entry> entries_;
    std::vector<std::string> unreadLines_;
};

}  // namespace tramex
