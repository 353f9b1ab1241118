// The ERP installation's registry value "Directorio" for one test: the
// machine's own registry on Windows (the 32-bit view the program reads),
// removed again at the end; elsewhere the INI stand-in under XDG_CONFIG_DIRS.
#pragma once

#include "tests/session/ScratchDirectory.h"

#include <string>

#ifdef _WIN32
#include "platform/win/WideText.h"

#include <windows.h>
// windows.h names MessageBoxW "MessageBox", which would rename the program's
// own MessageBox in the window tests that include this.
#undef MessageBox
#endif

namespace tramex::testing {

class InstallRegistration {
  public:
    explicit InstallRegistration(const ScratchDirectory& scratch)
        : scratch_(scratch), xdg_("XDG_CONFIG_DIRS", (scratch.path() / "xdg").string()) {
        Remove();
    }
    ~InstallRegistration() { Remove(); }
    InstallRegistration(const InstallRegistration&) = delete;
    InstallRegistration& operator=(const InstallRegistration&) = delete;

    void Register(const std::string& directory) const {
#ifdef _WIN32
        HKEY key = nullptr;
        if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0,
                              KEY_WRITE | KEY_WOW64_32KEY, nullptr, &key, nullptr) != ERROR_SUCCESS)
            throw std::runtime_error("cannot create the installation key");
        const std::wstring text = Utf8ToWide(directory);
        const LONG written = ::RegSetValueExW(
            key, L"Directorio", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
            static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
        ::RegCloseKey(key);
        if (written != ERROR_SUCCESS) throw std::runtime_error("cannot write Directorio");
#else
        scratch_.Write("xdg/Dravo/QuintorERP2017.conf", "[General]\nDirectorio=" + directory + "\n");
#endif
    }

  private:
    static void Remove() {
#ifdef _WIN32
        ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kKey, KEY_WOW64_32KEY, 0);
#endif
    }
#ifdef _WIN32
    static constexpr const wchar_t* kKey = L"Software\\Dravo\\QuintorERP2017";
#endif

    const ScratchDirectory& scratch_;
    ScopedEnvironment xdg_;
};

}  // namespace tramex::testing
