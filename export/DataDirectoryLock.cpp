// The data directory's lock file, through QLockFile.
#include "export/DataDirectoryLock.h"

#include "common/Interruption.h"
#include "export/ExtractFileError.h"
#include "export/RunStatus.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLockFile>
#include <QTemporaryDir>

namespace tramex {
namespace {

constexpr int kRetryMs = 100;

// QLockFile only says "permission" or "unknown"; a data directory not made
// yet is the usual cause on a new installation.
std::string Reason(const QString& directory, QLockFile::LockError error) {
    if (error == QLockFile::PermissionError) return "permiso denegado";
    if (!QDir(directory).exists()) return "el directorio no existe";
    return "error desconocido";
}

struct LockOwner {
    qint64 pid = 0;
    QString host;
    QString application;
    bool operator==(const LockOwner&) const = default;
};

// How QLockFile names this process, read back from a lock of its own.
const LockOwner& ThisProcess() {
    static const LockOwner owner = [] {
        LockOwner self;
        QTemporaryDir folder;
        QLockFile probe(folder.filePath("probe.lock"));
        if (probe.tryLock(0)) probe.getLockInfo(&self.pid, &self.host, &self.application);
        return self;
    }();
    return owner;
}

// Windows hands a dead run's process number to a new process soon (Wine at
// once), and QLockFile takes a live process for the holder: a lock naming
// this process would be waited for all night. Removing it is safe, as
// QLockFile refuses while a holder keeps it (its open file on Windows, its
// native lock elsewhere), this process included.
bool NamesThisProcess(const QLockFile& file) {
    LockOwner named;
    return file.getLockInfo(&named.pid, &named.host, &named.application) &&
           named == ThisProcess();
}

}  // namespace

std::string WaitingForOtherExportMessage(const std::string& directory) {
    return "Esperando a que termine otra exportación en " + directory + "...";
}

DataDirectoryLock::DataDirectoryLock(std::unique_ptr<QLockFile> file) : file_(std::move(file)) {}
DataDirectoryLock::~DataDirectoryLock() = default;

std::unique_ptr<DataDirectoryLock> DataDirectoryLock::Acquire(
    const std::string& directory, int waitMs, const std::function<void()>& waiting) {
    const QString folder = QString::fromStdString(directory);
    const QString path = QDir::cleanPath(QDir(folder).absoluteFilePath(kLockFileName));
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
            throw ExtractFileError::CannotCreate(QDir::toNativeSeparators(path).toStdString(),
                                                 Reason(folder, file->error()));
        // Only a lock there before this run can name this process.
        if (!told && NamesThisProcess(*file) && file->removeStaleLockFile()) continue;
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
