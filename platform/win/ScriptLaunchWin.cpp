// Deployment scripts on Windows: the shell's "open" of the batch file with its
// parameters, the data directory as working directory and a hidden window;
// the process handle is kept so the run can wait for the script's end.
#include "platform/ScriptLaunchSystem.h"

#include "common/Interruption.h"
#include "platform/win/WideText.h"

#include <windows.h>
// shellapi.h builds on the types windows.h declares.
#include <shellapi.h>

#include <algorithm>
#include <cstdlib>

namespace tramex {
namespace {

// The script runs inside a job object, so that ending it also ends the
// programs it started (tar.exe under cmd.exe).
class WindowsScriptProcess : public ScriptProcess {
  public:
    explicit WindowsScriptProcess(HANDLE process) : process_(process) {
        job_ = ::CreateJobObjectW(nullptr, nullptr);
        if (job_ && process_) ::AssignProcessToJobObject(job_, process_);
    }
    ~WindowsScriptProcess() override {
        if (process_) ::CloseHandle(process_);
        if (job_) ::CloseHandle(job_);
    }
    WindowsScriptProcess(const WindowsScriptProcess&) = delete;
    WindowsScriptProcess& operator=(const WindowsScriptProcess&) = delete;

    // In short steps, so a stop request is noticed while a script runs.
    bool WaitForEnd(int limitMs) override {
        if (!process_) return true;
        const ULONGLONG deadline = ::GetTickCount64() + static_cast<ULONGLONG>(limitMs);
        for (;;) {
            const ULONGLONG now = ::GetTickCount64();
            const DWORD step =
                now >= deadline ? 0 : static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 50));
            if (::WaitForSingleObject(process_, step) != WAIT_TIMEOUT) return true;
            if (step == 0 || interruption::Requested()) return false;
        }
    }
    bool Running() override {
        return process_ && ::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
    }
    int ExitCode() override {
        DWORD code = 0;
        if (!process_ || Running() || !::GetExitCodeProcess(process_, &code)) return -1;
        return static_cast<int>(code);
    }
    void Terminate() override {
        if (!Running()) return;
        if (!job_ || !::TerminateJobObject(job_, 1)) ::TerminateProcess(process_, 1);
        ::WaitForSingleObject(process_, 5000);
    }

  private:
    HANDLE process_;
    HANDLE job_ = nullptr;
};

// cmd.exe reads a batch file's parameters as a command line: it splits them
// at blanks and acts on & | < > ^ outside quotes. A data directory such as
// "C:\Datos envio" or a house code such as "A&B" is quoted so it stays one
// literal parameter (the scripts read them as %~1 and %~2). Quotes cannot
// hold a '"' or stop a '%' from expanding, so such a parameter is refused.
std::wstring QuotedWhenNeeded(const std::string& parameter) {
    const std::wstring wide = Utf8ToWide(parameter);
    if (wide.find_first_of(L"\"%\r\n") != std::wstring::npos) {
        throw ScriptStartError("the parameter " + parameter + " cannot be passed to a batch file");
    }
    if (!wide.empty() && wide.find_first_of(L" \t&|<>^(),;=") == std::wstring::npos) return wide;
    return L"\"" + wide + L"\"";
}

std::wstring ParameterText(const std::vector<std::string>& parameters) {
    std::wstring text;
    for (const std::string& parameter : parameters) {
        if (!text.empty()) text += L' ';
        text += QuotedWhenNeeded(parameter);
    }
    return text;
}

std::string SystemMessage(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = length && buffer ? std::wstring(buffer, length) : std::wstring();
    if (buffer) ::LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n')) text.pop_back();
    return "error " + std::to_string(code) + (text.empty() ? "" : ": " + WideToUtf8(text));
}

}  // namespace

std::unique_ptr<ScriptProcess> StartScriptProcess(const std::string& scriptPath,
                                                  const std::vector<std::string>& parameters,
                                                  const std::string& workingDirectory) {
    const std::wstring file = Utf8ToWide(scriptPath);
    const std::wstring arguments = ParameterText(parameters);
    const std::wstring directory = Utf8ToWide(workingDirectory);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"open";
    info.lpFile = file.c_str();
    info.lpParameters = arguments.c_str();
    info.lpDirectory = directory.c_str();
    info.nShow = SW_HIDE;
    if (!::ShellExecuteExW(&info)) throw ScriptStartError(SystemMessage(::GetLastError()));
    return std::make_unique<WindowsScriptProcess>(info.hProcess);
}

std::vector<std::string> ExecutableSearchPath() {
    std::vector<std::string> directories;
    const wchar_t* path = ::_wgetenv(L"PATH");
    if (!path) return directories;
    const std::wstring rest = path;
    for (std::size_t start = 0; start < rest.size();) {
        std::size_t end = rest.find(L';', start);
        if (end == std::wstring::npos) end = rest.size();
        if (end > start) directories.push_back(WideToUtf8(rest.substr(start, end - start)));
        start = end + 1;
    }
    return directories;
}

std::string ProgramDirectory() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) {
            buffer.resize(length);
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    const std::size_t separator = buffer.find_last_of(L"\\/");
    return separator == std::wstring::npos ? std::string()
                                           : WideToUtf8(buffer.substr(0, separator));
}

}  // namespace tramex
