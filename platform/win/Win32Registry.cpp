// The local-machine registry hive, opened read-only. The ERP is a 32-bit
// program, so its keys are read from the 32-bit view whatever our own build.
#include "platform/Registry.h"
#include "platform/win/WideText.h"

#include <windows.h>

#include <vector>

namespace tramex {
namespace {

class Win32RegistryKey : public RegistryKey {
  public:
    explicit Win32RegistryKey(HKEY key) : key_(key) {}
    ~Win32RegistryKey() override { RegCloseKey(key_); }
    Win32RegistryKey(const Win32RegistryKey&) = delete;
    Win32RegistryKey& operator=(const Win32RegistryKey&) = delete;

    std::optional<std::string> ReadString(const std::string& valueName) const override {
        const std::wstring name = Utf8ToWide(valueName);
        DWORD type = 0;
        DWORD size = 0;
        LONG status = RegQueryValueExW(key_, name.c_str(), nullptr, &type, nullptr, &size);
        if (status == ERROR_FILE_NOT_FOUND) return std::nullopt;
        if (status != ERROR_SUCCESS) return std::string();
        if (type != REG_SZ && type != REG_EXPAND_SZ) {
            throw RegistryError(InvalidDataTypeMessage(valueName));
        }
        std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
        DWORD bufferBytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
        status = RegQueryValueExW(key_, name.c_str(), nullptr, &type,
                                  reinterpret_cast<BYTE*>(buffer.data()), &bufferBytes);
        if (status != ERROR_SUCCESS) return std::string();
        // Stored strings may or may not carry their terminating NUL.
        const std::wstring text(buffer.data());
        return WideToUtf8(type == REG_EXPAND_SZ ? Expanded(text) : text);
    }

  private:
    // "%SystemDrive%\Quintor" as the installer may record it; names that
    // are not set stay as written.
    static std::wstring Expanded(const std::wstring& text) {
        DWORD length = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
        if (length == 0) return text;
        std::wstring expanded(length, L'\0');
        length = ExpandEnvironmentStringsW(text.c_str(), expanded.data(), length);
        if (length == 0 || length > expanded.size()) return text;
        expanded.resize(length - 1);  // the count includes the terminating NUL
        return expanded;
    }

    HKEY key_;
};

class Win32Registry : public Registry {
  public:
    std::unique_ptr<RegistryKey> OpenLocalMachineKey(const std::string& keyPath) const override {
        std::string relative = keyPath;
        while (!relative.empty() && relative.front() == '\\') relative.erase(0, 1);
        HKEY key = nullptr;
        const LONG status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, Utf8ToWide(relative).c_str(), 0,
                                          KEY_READ | KEY_WOW64_32KEY, &key);
        if (status != ERROR_SUCCESS) return nullptr;
        return std::make_unique<Win32RegistryKey>(key);
    }
};

}  // namespace

std::unique_ptr<Registry> SystemRegistry() { return std::make_unique<Win32Registry>(); }

}  // namespace tramex
