// POSIX arguments are bytes, UTF-8 under the locales the program runs in.
#include "platform/ProgramArguments.h"

namespace tramex {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    if (argc < 1) return {};
    return std::vector<std::string>(argv + 1, argv + argc);
}

}  // namespace tramex
