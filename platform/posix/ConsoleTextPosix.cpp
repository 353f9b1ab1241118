// Terminals on Linux take UTF-8 as it is.
#include "platform/ConsoleText.h"

namespace tramex {

void WriteConsoleText(std::FILE* stream, const std::string& utf8) {
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
    std::fflush(stream);
}

}  // namespace tramex
