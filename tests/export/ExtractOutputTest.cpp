// Extract files reaching their device or disk: block-wise output, write
// failures surfacing to the caller, and files on disk created or truncated.
#include "FailingDevice.h"
#include "SnapshotBuilder.h"

#include "data/DecimalText.h"
#include "export/ExtractFileError.h"
#include "export/ExtractLayouts.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace tramex::test {
namespace {

const char kMunicipiosTitle[] = "Codigo{Nombre\r\n";

std::unique_ptr<Instantanea> ManyMunicipios(int count) {
    std::vector<Row> rows;
    for (int i = 0; i < count; ++i) rows.push_back({"05001", "MUNICIPIO DE PRUEBA"});
    return MakeSnapshot({Text("CODCIU", 7), Text("NOMCIU", 60)}, rows);
}

std::string ReadAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return "<missing>";
    return file.readAll().toStdString();
}

TEST(ExtractOutput, LargeFilesGoOutInBlocksAsTheyAreWritten) {
    const int rows = 20000;  // 27 bytes a line: about eight blocks
    auto snapshot = ManyMunicipios(rows);
    RecordingDevice device;
    EXPECT_EQ(WriteExtract(*snapshot, MunicipiosLayout(), {"1"}, device, "memoria"),
              static_cast<std::size_t>(rows));

    std::string expected = kMunicipiosTitle;
    for (int i = 0; i < rows; ++i) expected += "05001{MUNICIPIO DE PRUEBA\r\n";
    EXPECT_EQ(device.Bytes(), expected);
    ASSERT_GE(device.WriteSizes().size(), 8u);
    for (qint64 size : device.WriteSizes()) EXPECT_LE(size, 64 * 1024 + 27);
}

TEST(ExtractOutput, DeviceFailuresReachTheCallerWithTheirReason) {
    // Fails on the final flush of a short file...
    auto few = ManyMunicipios(2);
    FailingDevice small(20);
    try {
        WriteExtract(*few, MunicipiosLayout(), {"1"}, small, "D:/datos/Municipios.txt");
        FAIL() << "a short write went unnoticed";
    } catch (const ExtractFileError& error) {
        EXPECT_STREQ(error.what(),
                     "No se pudo escribir el archivo D:/datos/Municipios.txt: "
                     "No queda espacio en el dispositivo");
    }
    EXPECT_EQ(small.Accepted(), "Codigo{Nombre\r\n05001");

    // ...and in the middle of a long one, before the rest is even formatted.
    auto many = ManyMunicipios(20000);
    FailingDevice large(100000);
    EXPECT_THROW(WriteExtract(*many, MunicipiosLayout(), {"1"}, large, "m"), ExtractFileError);
    EXPECT_EQ(large.Accepted().size(), 100000u);
}

TEST(ExtractOutput, FilesOnDiskAreTruncatedAndWrittenWhole) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("Municipios.txt");
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(std::string(5000, 'x').c_str());
    }
    auto snapshot = MakeSnapshot({Text("CODCIU", 7), Text("NOMCIU", 60)},
                                 {{"05001", "MEDELLIN"}, {"05088", "BELLO"}});
    EXPECT_EQ(WriteExtractFile(*snapshot, MunicipiosLayout(), {"1"}, dir.path().toStdString()), 2u);
    EXPECT_EQ(ReadAll(path), "Codigo{Nombre\r\n05001{MEDELLIN\r\n05088{BELLO\r\n");
}

TEST(ExtractOutput, UncreatableFilesNameThePathAndTheSystemReason) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    auto snapshot = ManyMunicipios(1);

    const std::string missing = dir.filePath("no-existe").toStdString();
    try {
        WriteExtractFile(*snapshot, MunicipiosLayout(), {"1"}, missing);
        FAIL() << "writing into a missing directory went unnoticed";
    } catch (const ExtractFileError& error) {
        const std::string start = "No se pudo crear el archivo " + missing + "/Municipios.txt: ";
#ifdef _WIN32
        // Windows' own wording, or Wine's for the same error.
        EXPECT_THAT(std::string(error.what()),
                    ::testing::AnyOf(start + "The system cannot find the path specified.",
                                     start + "Path not found."));
#else
        EXPECT_EQ(std::string(error.what()), start + "No such file or directory");
#endif
    }

    // A directory standing where the file should be.
    ASSERT_TRUE(QDir(dir.path()).mkdir("Municipios.txt"));
    EXPECT_THROW(WriteExtractFile(*snapshot, MunicipiosLayout(), {"1"}, dir.path().toStdString()),
                 ExtractFileError);
}

}  // namespace
}  // namespace tramex::test
