// The separator between a directory and a file name on this system.
#pragma once

namespace tramex {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

}  // namespace tramex
