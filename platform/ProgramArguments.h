// The program's command-line arguments as UTF-8 text, whatever the system's
// own encoding of them.
#pragma once

#include <string>
#include <vector>

namespace tramex {

// The arguments after the program name. On Windows they are read from the
// wide (UTF-16) command line, because argv holds them in the ANSI code page,
// where characters outside it are already lost; elsewhere argv as it is.
std::vector<std::string> ProgramArguments(int argc, char** argv);

}  // namespace tramex
