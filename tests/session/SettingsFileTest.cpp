// The settings file read from files written byte for byte: line ends, short
// and unterminated files, empty and long lines, the days value and the company
// code already present.
#include "session/DaysValue.h"
#include "session/SettingsFile.h"
#include "tests/session/RecordingTargets.h"
#include "tests/session/ScratchDirectory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tramex {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::RecordingTargets;
using testing::ScratchDirectory;

std::string TenLines(const std::string& end) {
    const char* lines[] = {"r1", "r2",     "r3",        "srv:/erp", "/datos/envio",
                           "30", "SYSDBA", "masterkey", "001",      "1"};
    std::string text;
    for (const char* line : lines) text += std::string(line) + end;
    return text;
}

const std::vector<std::string> kTenLinesApplied = {
    "Servidor=srv:/erp", "DirectorioDatos=/datos/envio",
    "Dias=30.000000",    "Tusua=SYSDBA",
    "TClave=masterkey",  "Cia=001",
    "ModoAutomatico=1"};

class SettingsFileTest : public ::testing::Test {
  protected:
    std::vector<std::string> Load(const std::string& bytes) {
        LoadSettingsFile(scratch.Write("settingsenvio.conf", bytes), targets);
        return targets.written;
    }

    ScratchDirectory scratch;
    RecordingTargets targets;
};

TEST_F(SettingsFileTest, EveryLineEndReadsTheSame) {
    EXPECT_EQ(Load(TenLines("\r\n")), kTenLinesApplied);
    targets = {};
    EXPECT_EQ(Load(TenLines("\n")), kTenLinesApplied);
    targets = {};
    // A CR on its own ends the line and keeps the next line's first character.
    EXPECT_EQ(Load(TenLines("\r")), kTenLinesApplied);
}

TEST_F(SettingsFileTest, LoneCrAmongCrLfKeepsLineNumbersAndCharacters) {
    // Line 6 ends with a lone CR, line 7 with CR LF; a CR CR is two line ends.
    Load("1\r\n2\r\n3\r\nsrv\r\ndir\r\n5\rSYSDBA\r\nkey\r\r1\r\n");
    EXPECT_THAT(targets.written,
                ElementsAre("Servidor=srv", "DirectorioDatos=dir", "Dias=5.000000", "Tusua=SYSDBA",
                            "TClave=key", "Cia=", "ModoAutomatico=1"));
}

TEST_F(SettingsFileTest, UnterminatedLastLineIsNotALine) {
    std::string text = TenLines("\r\n");
    text.resize(text.size() - 2);  // "1" without its line end
    auto expected = kTenLinesApplied;
    expected.pop_back();
    EXPECT_EQ(Load(text), expected);
}

TEST_F(SettingsFileTest, ShortFilesSetOnlyWhatTheyReach) {
    EXPECT_THAT(Load("a\r\nb\r\nc\r\n"), IsEmpty());
    EXPECT_THAT(Load(""), IsEmpty());
    EXPECT_THAT(Load("a\r\nb\r\nc\r\nsrv"), IsEmpty());
    EXPECT_THAT(Load("a\nb\nc\nsrv\n"), ElementsAre("Servidor=srv"));
}

TEST_F(SettingsFileTest, EmptyLinesStoreEmptyTextAndEmptyDays) {
    EXPECT_THAT(Load("\n\n\n\n\n\n\n\n\n\n"),
                ElementsAre("Servidor=", "DirectorioDatos=", "Dias=(empty)",
                            "Tusua=", "TClave=", "Cia=", "ModoAutomatico="));
}

TEST_F(SettingsFileTest, LettersForDaysStopTheLoadAtLineSix) {
    std::string text = TenLines("\r\n");
    text.replace(text.find("30"), 2, "treinta");
    try {
        Load(text);
        FAIL() << "expected a conversion error";
    } catch (const ConversionError& error) {
        EXPECT_STREQ(error.what(), "'treinta' is not a valid floating point value");
    }
    EXPECT_THAT(targets.written, ElementsAre("Servidor=srv:/erp", "DirectorioDatos=/datos/envio"));
}

TEST_F(SettingsFileTest, CompanyCodeAlreadyPresentIsKept) {
    targets.cia = "777";
    auto expected = kTenLinesApplied;
    expected.erase(expected.begin() + 5);  // no "Cia=001"
    EXPECT_EQ(Load(TenLines("\n")), expected);
    EXPECT_EQ(targets.cia, "777");
}

TEST_F(SettingsFileTest, LongLinesAreReadWholeAndLaterLinesIgnored) {
    const std::string longServer(300, 's');
    std::string text = "1\n2\n3\n" + longServer + "\n";
    text += "dir\n\nu\np\nc\n0\nline 11\nline 12\n";
    EXPECT_THAT(Load(text),
                ElementsAre("Servidor=" + longServer, "DirectorioDatos=dir", "Dias=(empty)",
                            "Tusua=u", "TClave=p", "Cia=c", "ModoAutomatico=0"));
}

TEST_F(SettingsFileTest, SingleByteTextBecomesUtf8) {
    // 0xF1 is "ñ" and 0x80 the euro sign in Windows-1252.
    EXPECT_THAT(Load("1\n2\n3\nsrv\nC:\\Compa\xF1\xED"
                     "a\\datos\x80\n"),
                ElementsAre("Servidor=srv", "DirectorioDatos=C:\\Compa\u00f1\u00eda\\datos\u20ac"));
}

TEST_F(SettingsFileTest, FileThatCannotBeReadChangesNothing) {
    LoadSettingsFile((scratch.path() / "absent.conf").string(), targets);
    std::filesystem::create_directory(scratch.path() / "folder.conf");
    LoadSettingsFile((scratch.path() / "folder.conf").string(), targets);
    EXPECT_THAT(targets.written, IsEmpty());
}

TEST(SettingsFilePathTest, FileInTheDirectoryOrAtTheRoot) {
#ifdef _WIN32
    EXPECT_EQ(SettingsFilePath("C:\\Quintor"), "C:\\Quintor\\settingsenvio.conf");
    EXPECT_EQ(SettingsFilePath(""), "\\settingsenvio.conf");
#else
    EXPECT_EQ(SettingsFilePath("/opt/erp"), "/opt/erp/settingsenvio.conf");
    EXPECT_EQ(SettingsFilePath(""), "/settingsenvio.conf");
#endif
}

}  // namespace
}  // namespace tramex
