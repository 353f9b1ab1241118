// One export at a time per data directory: two runs writing, packing and
// cleaning the same ten files would mix one family's data into the other's
// archive. The lock is the file tramex.lock in the data directory.
#pragma once

#include <functional>
#include <memory>
#include <string>

class QLockFile;

namespace tramex {

inline constexpr const char* kLockFileName = "tramex.lock";

class DataDirectoryLock {
  public:
    // Takes the lock, waiting up to waitMs for another run to release it;
    // waiting is called once when the wait starts. Raises RunFailure
    // (DataDirectoryBusy) "Otra exportación está en curso en <dir>" when
    // the wait ends, InterruptedError on a stop request, ExtractFileError
    // when the lock file cannot be made. A lock left by a process that no
    // longer runs is taken over, also when this process now has its number.
    static std::unique_ptr<DataDirectoryLock> Acquire(const std::string& directory, int waitMs,
                                                      const std::function<void()>& waiting);
    ~DataDirectoryLock();

  private:
    explicit DataDirectoryLock(std::unique_ptr<QLockFile> file);
    std::unique_ptr<QLockFile> file_;
};

// "Esperando a que termine otra exportación en <dir>..."
std::string WaitingForOtherExportMessage(const std::string& directory);

}  // namespace tramex
