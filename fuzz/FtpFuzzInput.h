// One fuzz input played against the FTP client's parsers: the reply reader,
// the PASV parser and a whole connect whose server side sends the bytes.
// Typed errors are expected outcomes; anything else escapes to the caller.
#pragma once

#include <string>

namespace tramex {

void RunFtpFuzzInput(const std::string& serverBytes);

}  // namespace tramex
