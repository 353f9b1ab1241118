// The query that finds a family's FTP destination.
#pragma once

#include <string>

namespace tramex {

// "select * from configura_linkftp where cflk_codfami = '<family>'" as the
// Windows-1252 bytes the database compares; family is UTF-8.
std::string DestinationLookupCommand(const std::string& family);

}  // namespace tramex
