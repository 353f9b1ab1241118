// Line by line reading of an options file (see IniFile.h).
#include "common/IniFile.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/TextCodec.h"

namespace tramex {
namespace {

std::string_view Trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

// "900   ; seconds" is 900; "a;b" stays whole.
std::string_view WithoutComment(std::string_view value) {
    for (std::size_t at = 1; at < value.size(); ++at)
        if (value[at] == ';' && (value[at - 1] == ' ' || value[at - 1] == '\t'))
            return value.substr(0, at);
    return value;
}

std::string_view WithoutQuotes(std::string_view value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        return value.substr(1, value.size() - 2);
    return value;
}

}  // namespace

std::optional<IniFile> IniFile::Load(const std::string& path) {
    std::ifstream file(std::filesystem::path(std::u8string(path.begin(), path.end())),
                       std::ios::binary);
    if (!file) return std::nullopt;
    std::ostringstream text;
    text << file.rdbuf();
    return Parse(text.str());
}

IniFile IniFile::Parse(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    IniFile ini;
    std::string section;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = Trimmed(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.empty() || line.front() == ';' || line.front() == '#') continue;
        if (line.front() == '[' && line.back() == ']') {
            section = AsciiLowercase(Trimmed(line.substr(1, line.size() - 2)));
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos || Trimmed(line.substr(0, equals)).empty()) {
            ini.unreadLines_.emplace_back(line);
            continue;
        }
        const std::string_view value = Trimmed(WithoutComment(Trimmed(line.substr(equals + 1))));
        ini.entries_.push_back({section, std::string(Trimmed(line.substr(0, equals))),
                                std::string(WithoutQuotes(value))});
    }
    return ini;
}

std::optional<std::string> IniFile::Value(std::string_view section, std::string_view key) const {
    const std::string wantedSection = AsciiLowercase(section), wantedKey = AsciiLowercase(key);
    std::optional<std::string> found;
    for (const Entry& entry : entries_)
        if (entry.Section == wantedSection && AsciiLowercase(entry.Key) == wantedKey)
            found = entry.Value;
    return found;
}

std::vector<std::pair<std::string, std::string>> IniFile::Entries(std::string_view section) const {
    const std::string wanted = AsciiLowercase(section);
    std::vector<std::pair<std::string, std::string>> entries;
    for (const Entry& entry : entries_)
        if (entry.Section == wanted) entries.emplace_back(entry.Key, entry.Value);
    return entries;
}

}  // namespace tramex
