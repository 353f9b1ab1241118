// Deployment scripts on POSIX: /bin/sh runs the script with its parameters as
// separate arguments (never through a command string), input from /dev/null.
#include "platform/ScriptLaunchSystem.h"

#include "common/Interruption.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include <csignal>

#include <fcntl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tramex {
namespace {

class PosixScriptProcess : public ScriptProcess {
  public:
    explicit PosixScriptProcess(pid_t pid) : pid_(pid) {}

    bool WaitForEnd(int limitMs) override {
        using Clock = std::chrono::steady_clock;
        const auto deadline = Clock::now() + std::chrono::milliseconds(limitMs);
        // Short steps first, so a quick script is noticed at once.
        auto step = std::chrono::milliseconds(1);
        while (Running()) {
            const auto now = Clock::now();
            if (now >= deadline || interruption::Requested()) return false;
            std::this_thread::sleep_for(std::min<Clock::duration>(step, deadline - now));
            step = std::min(step * 2, std::chrono::milliseconds(20));
        }
        return true;
    }

    bool Running() override {
        if (ended_) return false;
        int status = 0;
        const pid_t result = ::waitpid(pid_, &status, WNOHANG);
        if (result == 0) return true;
        if (result < 0 && errno == EINTR) return true;
        // Reaped now, or by someone else (ECHILD): either way it has ended.
        ended_ = true;
        if (result == pid_ && WIFEXITED(status)) exitCode_ = WEXITSTATUS(status);
        if (result == pid_ && WIFSIGNALED(status)) exitCode_ = 128 + WTERMSIG(status);
        return false;
    }

    int ExitCode() override { return Running() ? -1 : exitCode_; }

    // The script leads its own process group, so zip or tar started by it
    // end with it.
    void Terminate() override {
        if (!Running()) return;
        ::kill(-pid_, SIGTERM);
        if (WaitUntilEnded(std::chrono::seconds(2))) return;
        ::kill(-pid_, SIGKILL);
        WaitUntilEnded(std::chrono::seconds(2));
    }

  private:
    bool WaitUntilEnded(std::chrono::milliseconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (Running()) {
            if (std::chrono::steady_clock::now() >= deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    }

    pid_t pid_;
    bool ended_ = false;
    int exitCode_ = -1;
};

// Descriptors the program holds (database files, sockets) must not live on
// in the script: a socket kept open by it would outlast our own close.
void CloseInheritedDescriptors(int keep) {
#ifdef SYS_close_range
    const bool belowClosed = keep <= 3 || ::syscall(SYS_close_range, 3, keep - 1, 0) == 0;
    if (belowClosed && ::syscall(SYS_close_range, keep + 1, ~0U, 0) == 0) return;
#endif
    const long limit = ::sysconf(_SC_OPEN_MAX);
    const int last = limit > 0 && limit < 65536 ? static_cast<int>(limit) : 65536;
    for (int fd = 3; fd < last; ++fd) {
        if (fd != keep) ::close(fd);
    }
}

// Runs in the child between fork and exec: async-signal-safe calls only.
[[noreturn]] void ExecScript(const char* directory, char* const* argv, int errorPipe) {
    int failure = 0;
    // A group of its own, so that a stopped run can end the script and its children.
    ::setpgid(0, 0);
    if (::chdir(directory) != 0) {
        failure = errno;
    } else {
        const int input = ::open("/dev/null", O_RDONLY);
        if (input < 0 || ::dup2(input, STDIN_FILENO) < 0) {
            failure = errno;
        } else {
            if (input != STDIN_FILENO) ::close(input);
            CloseInheritedDescriptors(errorPipe);
            ::execv("/bin/sh", argv);
            failure = errno;
        }
    }
    [[maybe_unused]] const ssize_t written = ::write(errorPipe, &failure, sizeof failure);
    ::_exit(127);
}

// The child's failure before or at exec, read from the pipe; 0 when exec
// succeeded (the pipe closed on exec with nothing written).
int ChildStartFailure(int readEnd) {
    int failure = 0;
    ssize_t got = 0;
    do {
        got = ::read(readEnd, &failure, sizeof failure);
    } while (got < 0 && errno == EINTR);
    return got == static_cast<ssize_t>(sizeof failure) ? failure : 0;
}

}  // namespace

std::unique_ptr<ScriptProcess> StartScriptProcess(const std::string& scriptPath,
                                                  const std::vector<std::string>& parameters,
                                                  const std::string& workingDirectory) {
    std::vector<std::string> arguments{"sh", scriptPath};
    arguments.insert(arguments.end(), parameters.begin(), parameters.end());
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);

    int errorPipe[2];
    if (::pipe2(errorPipe, O_CLOEXEC) != 0) throw ScriptStartError(std::strerror(errno));
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(errorPipe[0]);
        ExecScript(workingDirectory.c_str(), argv.data(), errorPipe[1]);
    }
    const int forkError = errno;
    ::close(errorPipe[1]);
    if (pid < 0) {
        ::close(errorPipe[0]);
        throw ScriptStartError(std::strerror(forkError));
    }
    const int failure = ChildStartFailure(errorPipe[0]);
    ::close(errorPipe[0]);
    if (failure != 0) {
        ::waitpid(pid, nullptr, 0);
        throw ScriptStartError(std::strerror(failure));
    }
    return std::make_unique<PosixScriptProcess>(pid);
}

std::vector<std::string> ExecutableSearchPath() {
    std::vector<std::string> directories;
    const char* path = std::getenv("PATH");
    if (!path) return directories;
    std::string rest = path;
    for (std::size_t start = 0; start <= rest.size();) {
        const std::size_t end = std::min(rest.find(':', start), rest.size());
        // An empty entry means the current directory, as the shell reads it.
        directories.push_back(end == start ? "." : rest.substr(start, end - start));
        start = end + 1;
    }
    return directories;
}

std::string ProgramDirectory() {
    std::string buffer(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size()) return {};
    buffer.resize(static_cast<std::size_t>(length));
    const std::size_t slash = buffer.rfind('/');
    return slash == 0 ? "/" : buffer.substr(0, slash);
}

}  // namespace tramex
