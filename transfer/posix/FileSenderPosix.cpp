// File pieces sent with sendfile() from the file's own position, with SIGPIPE
// held back for the transfer and the read-and-send path kept for files that
// cannot feed a socket directly.
#include "transfer/posix/FileSenderPosix.h"

#ifdef __linux__

#include <signal.h>
#include <sys/sendfile.h>

#include <cerrno>
#include <ctime>

#include "transfer/posix/ErrnoCodes.h"

namespace tramex {
namespace {

// sendfile() has no MSG_NOSIGNAL: while a file is sent, SIGPIPE is blocked in
// this thread so a peer that went away is an error to report, not a signal
// that ends the program. A SIGPIPE raised by our sends is dropped afterwards;
// one that was pending before is left for its owner.
class PipeSignalHold {
  public:
    PipeSignalHold() {
        sigemptyset(&pipeOnly_);
        sigaddset(&pipeOnly_, SIGPIPE);
        sigset_t pending;
        sigemptyset(&pending);
        pendingBefore_ = sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &pipeOnly_, &previous_);
    }
    ~PipeSignalHold() {
        if (!pendingBefore_) {
            const timespec noWait{};
            while (sigtimedwait(&pipeOnly_, nullptr, &noWait) == SIGPIPE) {
            }
        }
        pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
    }
    PipeSignalHold(const PipeSignalHold&) = delete;
    PipeSignalHold& operator=(const PipeSignalHold&) = delete;

  private:
    sigset_t pipeOnly_{};
    sigset_t previous_{};
    bool pendingBefore_ = false;
};

// Failures that concern the file, not the connection: a file (or file system)
// that cannot feed a socket directly, or a fault reading it. The read path
// then takes over and treats them as file reads always have.
bool LeftToTheReadPath(int errorNumber) {
    switch (errorNumber) {
        case EINVAL:
        case ENOSYS:
        case EOPNOTSUPP:
#if ENOTSUP != EOPNOTSUPP
        case ENOTSUP:
#endif
        case EIO:
        case ENOMEM:
        case EOVERFLOW:
        case ESPIPE:
        case EBADF:
            return true;
        default:
            return false;
    }
}

class PosixFileSender : public TFileSender {
  public:
    PosixFileSender(int socketFd, int fileFd) : socketFd_(socketFd), fileFd_(fileFd) {}

    FileSendTransfer SendPiece(size_t length) override {
        for (;;) {
            // No offset given: the file's own position is used and advanced,
            // as a read would.
            const ssize_t sent = sendfile(socketFd_, fileFd_, nullptr, length);
            if (sent >= 0) return {static_cast<size_t>(sent), 0, false};
            if (errno == EINTR) continue;
            if (LeftToTheReadPath(errno)) return {0, 0, true};
            return {0, TableCodeOfErrno(errno), false};
        }
    }

  private:
    PipeSignalHold pipeSignalHold_;
    int socketFd_;
    int fileFd_;
};

}  // namespace

std::unique_ptr<TFileSender> CreatePosixFileSender(int socketFd, int fileFd) {
    return std::make_unique<PosixFileSender>(socketFd, fileFd);
}

}  // namespace tramex

#else

namespace tramex {

std::unique_ptr<TFileSender> CreatePosixFileSender(int, int) { return nullptr; }

}  // namespace tramex

#endif
