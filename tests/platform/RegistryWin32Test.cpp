// The Windows registry as the installation lookup reads it: the 32-bit view
// of the local-machine hive, text and expandable text values, a value that is
// not text, and the 2016 key when the 2017 key is absent.
#include "platform/Registry.h"
#include "platform/win/WideText.h"
#include "session/InstallDirectory.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>

namespace tramex {
namespace {

const wchar_t* const kKey2017 = L"Software\\Dravo\\QuintorERP2017";
const wchar_t* const kKey2016 = L"Software\\Dravo\\QuintorERP2016";

class RegistryWin32Test : public ::testing::Test {
  protected:
    void SetUp() override { RemoveKeys(); }
    void TearDown() override { RemoveKeys(); }

    static void RemoveKeys() {
        for (const wchar_t* key : {kKey2017, kKey2016})
            RegDeleteKeyExW(HKEY_LOCAL_MACHINE, key, KEY_WOW64_32KEY, 0);
    }
    static void Write(const wchar_t* keyPath, DWORD type, const void* data, DWORD bytes) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, nullptr, 0,
                                  KEY_WRITE | KEY_WOW64_32KEY, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        EXPECT_EQ(
            RegSetValueExW(key, L"Directorio", 0, type, static_cast<const BYTE*>(data), bytes),
            ERROR_SUCCESS);
        RegCloseKey(key);
    }
    static void WriteText(const wchar_t* keyPath, DWORD type, const std::string& utf8) {
        const std::wstring text = Utf8ToWide(utf8);
        Write(keyPath, type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    static std::optional<std::string> Directory() {
        return FindInstallDirectory(*SystemRegistry());
    }
};

TEST_F(RegistryWin32Test, TextValuesComeBackAsUtf8AndExpandableOnesExpanded) {
    WriteText(kKey2017, REG_SZ, "C:\\Compa\u00f1\u00eda ERP");
    EXPECT_EQ(Directory(), "C:\\Compa\u00f1\u00eda ERP");

    ASSERT_EQ(_putenv_s("TRAMEX_ERP_DRIVE", "D:"), 0);
    WriteText(kKey2017, REG_EXPAND_SZ, "%TRAMEX_ERP_DRIVE%\\Quintor %NOT_SET_ANYWHERE%");
    EXPECT_EQ(Directory(), "D:\\Quintor %NOT_SET_ANYWHERE%");
}

TEST_F(RegistryWin32Test, The2016KeyServesOnlyWhenNo2017KeyOpens) {
    EXPECT_EQ(Directory(), std::nullopt);
    WriteText(kKey2016, REG_SZ, "C:\\ERP2016");
    EXPECT_EQ(Directory(), "C:\\ERP2016");
    const DWORD number = 7;
    Write(kKey2017, REG_DWORD, &number, sizeof number);
    EXPECT_THROW(
        {
            try {
                Directory();
            } catch (const RegistryError& error) {
                EXPECT_STREQ(error.what(), "Invalid data type for 'Directorio'");
                throw;
            }
        },
        RegistryError);
}

}  // namespace
}  // namespace tramex
