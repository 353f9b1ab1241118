// Case-insensitive connection entries.
#include "data/ConnectionEntries.h"

#include <algorithm>
#include <cctype>

namespace tramex {
namespace {

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

void ConnectionEntries::Set(std::string name, std::string value) {
    for (auto& entry : entries_) {
        if (SameName(entry.first, name)) {
            entry = {std::move(name), std::move(value)};
            return;
        }
    }
    entries_.emplace_back(std::move(name), std::move(value));
}

std::string ConnectionEntries::Get(const std::string& name) const {
    for (const auto& entry : entries_)
        if (SameName(entry.first, name)) return entry.second;
    return std::string();
}

}  // namespace tramex
