// Windows arguments from the wide command line, split by the shell's rules
// (the same rules the C runtime applies to argv).
#include "platform/ProgramArguments.h"
#include "platform/win/WideText.h"

#include <windows.h>
// shellapi.h builds on the types windows.h declares.
#include <shellapi.h>

namespace tramex {

std::vector<std::string> ProgramArguments(int /*argc*/, char** /*argv*/) {
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    if (!wide) return arguments;
    for (int index = 1; index < count; ++index) arguments.push_back(WideToUtf8(wide[index]));
    ::LocalFree(wide);
    return arguments;
}

}  // namespace tramex
