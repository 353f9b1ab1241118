// What the console tools write: UTF-8 text to standard output or error. A
// Windows console shows bytes in its own code page (850 or 1252 on Spanish
// systems), where "Opción" comes out garbled; it is given the text as wide
// characters instead, shown right whatever its code page. A file or a pipe
// gets the UTF-8 bytes, as on Linux.
#pragma once

#include <cstdio>
#include <string>

namespace tramex {

void WriteConsoleText(std::FILE* stream, const std::string& utf8);

}  // namespace tramex
