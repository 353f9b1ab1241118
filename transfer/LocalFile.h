// A local file opened for reading in pieces, shared with other processes that
// may read or write it meanwhile; the upload reads its data through this.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/Error.h"

namespace tramex {

// "Cannot open file "<path>". <system reason>"
class EFOpenError : public Error {
  public:
    using Error::Error;
};

// A read that the system refused (the file's data are not readable).
class EFReadError : public Error {
  public:
    using Error::Error;
};

class LocalFile {
  public:
    // Opens utf8Path for reading; raises EFOpenError.
    explicit LocalFile(const std::string& utf8Path);
    ~LocalFile();
    LocalFile(const LocalFile&) = delete;
    LocalFile& operator=(const LocalFile&) = delete;

    const std::string& Path() const { return path_; }
    int64_t Size();
    int64_t Position();
    void Seek(int64_t position);
    // Reads up to max bytes at the current position; 0 at the end of the file.
    size_t Read(char* buffer, size_t max);
    // The system's handle: a file descriptor on POSIX, a HANDLE on Windows.
    intptr_t NativeHandle() const { return handle_; }

  private:
    std::string path_;
    intptr_t handle_;  // file descriptor or Windows HANDLE
};

}  // namespace tramex
