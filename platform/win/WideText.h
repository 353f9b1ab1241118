// Conversions between the program's UTF-8 text and the UTF-16 text of the
// Win32 wide-character API.
#pragma once

#include <string>

namespace tramex {

std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);

}  // namespace tramex
