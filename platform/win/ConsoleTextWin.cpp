// Console text on Windows: wide characters for a console, bytes otherwise.
#include "platform/ConsoleText.h"
#include "platform/win/WideText.h"

#include <io.h>
#include <windows.h>

namespace tramex {
namespace {

// A console ends lines with CR LF, as the C runtime does for a redirected
// stream in text mode.
std::string CrLf(const std::string& text) {
    std::string lines;
    for (const char c : text) {
        if (c == '\n') lines += '\r';
        lines += c;
    }
    return lines;
}

}  // namespace

void WriteConsoleText(std::FILE* stream, const std::string& utf8) {
    std::fflush(stream);
    const HANDLE handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
    DWORD mode = 0;
    if (handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode)) {
        const std::wstring wide = Utf8ToWide(CrLf(utf8));
        DWORD written = 0;
        if (::WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written,
                            nullptr))
            return;
    }
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
    std::fflush(stream);
}

}  // namespace tramex
