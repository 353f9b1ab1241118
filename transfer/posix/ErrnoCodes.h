// System error numbers as codes of the common socket error table, so POSIX
// failures read the same as the Winsock ones.
#pragma once

namespace tramex {

// The table code for errno value systemNumber; unknown numbers pass unchanged.
int TableCodeOfErrno(int systemNumber);

}  // namespace tramex
