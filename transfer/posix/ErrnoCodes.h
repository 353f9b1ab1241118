// System error numbers as codes of the common socket error table, so POSIX
// failures read the same as the Winsock ones.
#pragma once

namespace tramex {

// The table code for errno value systemNumber; a number the table has no
// place for gives 10107 (a system call failed), so every failure has a text.
int TableCodeOfErrno(int systemNumber);

// The table code for a getaddrinfo() result, in the codes a Winsock resolver
// gives for the same cases (11001 for an unknown host).
int TableCodeOfResolverError(int resolverCode);

}  // namespace tramex
