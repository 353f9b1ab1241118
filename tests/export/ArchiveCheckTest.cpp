// The archive check as the run meets it: zips made here (with minizip's
// writer) holding the run's files, one missing, one changed, one too many,
// one twice, and files that are no zip at all. The archive sits in a folder
// whose name is no plain ASCII, as a data directory may be.
#include "export/ArchiveCheck.h"

#include "tests/session/ScratchDirectory.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <utility>
#include <vector>

namespace tramex::testing {
namespace {

using Files = std::vector<std::pair<std::string, std::string>>;

// CRC-32 check values: "123456789" is the standard's own test string.
const std::vector<ArchiveEntry> kWritten = {{"Ventas.txt", {0xCBF43926u, 9}}, {"SKU.txt", {0u, 0}}};

class ArchiveCheck : public ::testing::Test {
  protected:
    // The zip is written under a plain name and moved under the other.
    std::string Zip(const Files& files) {
        const std::string plain = (scratch.path() / "plain.zip").string();
        zipFile zip = zipOpen64(plain.c_str(), APPEND_STATUS_CREATE);
        EXPECT_NE(zip, nullptr);
        for (const auto& [name, bytes] : files) {
            EXPECT_EQ(zipOpenNewFileInZip64(zip, name.c_str(), nullptr, nullptr, 0, nullptr, 0,
                                            nullptr, Z_DEFLATED, Z_DEFAULT_COMPRESSION, 0),
                      ZIP_OK);
            EXPECT_EQ(zipWriteInFileInZip(zip, bytes.data(), static_cast<unsigned>(bytes.size())),
                      ZIP_OK);
            EXPECT_EQ(zipCloseFileInZip(zip), ZIP_OK);
        }
        EXPECT_EQ(zipClose(zip, nullptr), ZIP_OK);
        std::filesystem::rename(plain, archive);
        return Utf8Archive();
    }
    std::string Utf8Archive() const {
        const std::u8string text = archive.u8string();
        return std::string(text.begin(), text.end());
    }

    ScratchDirectory scratch;
    const std::filesystem::path archive = scratch.path() / u8"Cañaveral ñ.zip";
};

TEST_F(ArchiveCheck, OnlyAnArchiveOfExactlyTheRunsFilesPasses) {
    struct Case {
        Files files;
        std::string problem;
    };
    const std::vector<Case> cases = {
        {{{"Ventas.txt", "123456789"}, {"SKU.txt", ""}}, ""},
        {{{"Ventas.txt", "123456789"}}, "El archivo A.zip no contiene SKU.txt"},
        {{{"Ventas.txt", "123456780"}, {"SKU.txt", ""}},
         "El archivo A.zip: Ventas.txt no coincide con el generado"},
        {{{"Ventas.txt", "123456789"}, {"SKU.txt", ""}, {"datos/SKU.txt", ""}},
         "El archivo A.zip contiene datos/SKU.txt, que no es de esta exportación"},
        {{{"Ventas.txt", "123456789"}, {"SKU.txt", ""}, {"Ventas.txt", "123456789"}},
         "El archivo A.zip contiene Ventas.txt más de una vez"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.problem);
        EXPECT_EQ(ArchiveMismatch(Zip(test.files), "A.zip", kWritten), test.problem);
    }
}

TEST_F(ArchiveCheck, WhatIsNoZipIsNamedUnreadable) {
    std::ofstream(archive, std::ios::binary) << "basura\n";
    EXPECT_EQ(ArchiveMismatch(Utf8Archive(), "A.zip", kWritten),
              "El archivo A.zip no es un zip legible");
}

}  // namespace
}  // namespace tramex::testing
