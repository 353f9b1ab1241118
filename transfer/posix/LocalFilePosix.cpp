// The local file on POSIX descriptors; POSIX takes no share locks, so other
// processes stay free to read and write the file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "transfer/LocalFile.h"

namespace tramex {
namespace {

int DescriptorOf(intptr_t handle) { return static_cast<int>(handle); }

std::string SystemReason(int errorNumber) { return std::strerror(errorNumber); }

}  // namespace

LocalFile::LocalFile(const std::string& utf8Path) : path_(utf8Path), handle_(-1) {
    int fd;
    do {
        fd = ::open(utf8Path.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) throw EFOpenError("Cannot open file \"" + utf8Path + "\". " + SystemReason(errno));
    struct stat status {};
    if (fstat(fd, &status) == 0 && S_ISDIR(status.st_mode)) {
        ::close(fd);
        throw EFOpenError("Cannot open file \"" + utf8Path + "\". " + SystemReason(EISDIR));
    }
    handle_ = fd;
}

LocalFile::~LocalFile() { ::close(DescriptorOf(handle_)); }

int64_t LocalFile::Size() {
    struct stat status {};
    if (fstat(DescriptorOf(handle_), &status) != 0)
        throw EFReadError("Cannot read file \"" + path_ + "\". " + SystemReason(errno));
    return status.st_size;
}

int64_t LocalFile::Position() {
    const off_t position = lseek(DescriptorOf(handle_), 0, SEEK_CUR);
    if (position < 0)
        throw EFReadError("Cannot read file \"" + path_ + "\". " + SystemReason(errno));
    return position;
}

void LocalFile::Seek(int64_t position) {
    if (lseek(DescriptorOf(handle_), static_cast<off_t>(position), SEEK_SET) < 0)
        throw EFReadError("Cannot read file \"" + path_ + "\". " + SystemReason(errno));
}

size_t LocalFile::Read(char* buffer, size_t max) {
    for (;;) {
        const ssize_t got = ::read(DescriptorOf(handle_), buffer, max);
        if (got >= 0) return static_cast<size_t>(got);
        if (errno != EINTR)
            throw EFReadError("Cannot read file \"" + path_ + "\". " + SystemReason(errno));
    }
}

}  // namespace tramex
