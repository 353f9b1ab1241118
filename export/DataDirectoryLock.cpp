// The data directory's lock file, through QLockFile.
#include "export/DataDirectoryLock.h"

#include "common/Interruption.h"
#include "export/ExtractFileError.h"
#include "export/RunStatus.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLockFile>

namespace tramex {
namespace {

constexpr int kRetryMs = 100;

std::string Reason(QLockFile::LockError error) {
    return error == QLockFile::PermissionError ? "permiso denegado" : "error desconocido";
}

}  // namespace

std::string WaitingForOtherExportMessage(const std::string& directory) {
    return "Esperando a que termine otra exportación en " + directory + "...";
}

DataDirectoryLock::DataDirectoryLock(std::unique_ptr<QLockFile> file) : file_(std::move(file)) {}
DataDirectoryLock::~DataDirectoryLock() = default;

std::unique_ptr<DataDirectoryLock> DataDirectoryLock::Acquire(
    const std::string& directory, int waitMs, const std::function<void()>& waiting) {
    const QString path = QDir(QString::fromStdString(directory)).filePath(kLockFileName);
    auto file = std::make_unique<QLockFile>(path);
    // A run holds the lock for many minutes: only a dead owner makes it stale,
    // never its age.
    file->setStaleLockTime(0);
    QElapsedTimer waited;
    waited.start();
    bool told = false;
    for (;;) {
        interruption::ThrowIfRequested();
        if (file->tryLock(0))
            return std::unique_ptr<DataDirectoryLock>(new DataDirectoryLock(std::move(file)));
        if (file->error() != QLockFile::LockFailedError)
            throw ExtractFileError::CannotCreate(path.toStdString(), Reason(file->error()));
        if (!told && waiting) waiting();
        told = true;
        if (waited.elapsed() >= waitMs)
            throw RunFailure(ExitStatus::DataDirectoryBusy,
                             "Otra exportación está en curso en " + directory);
        file->tryLock(
            std::min<int>(kRetryMs, std::max<int>(0, waitMs - static_cast<int>(waited.elapsed()))));
        if (file->isLocked())
            return std::unique_ptr<DataDirectoryLock>(new DataDirectoryLock(std::move(file)));
    }
}

}  // namespace tramex
