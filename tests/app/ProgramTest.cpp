// The program started as a scheduler would: it finds its installation, shows
// the main window, runs the message loop and ends by itself when told to.
#include "tests/session/ScratchDirectory.h"

#include <QImage>
#include <QProcess>

#include <gtest/gtest.h>

namespace tramex {
namespace {

TEST(ProgramTest, StartsWithItsInstallationAndEndsWhenTold) {
    testing::ScratchDirectory scratch;
    const std::string erp = (scratch.path() / "erp").string();
    scratch.Write("xdg/Dravo/QuintorERP2017.conf", "[General]\nDirectorio=" + erp + "\n");
    scratch.Write("erp/settingsenvio.conf", "1\r\n2\r\n3\r\nsrv\r\n/envio\r\n30\r\n");
    const QString screenshot = QString::fromStdString((scratch.path() / "window.png").string());

    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("XDG_CONFIG_DIRS",
                       QString::fromStdString((scratch.path() / "xdg").string()));
    environment.insert("TRAMEX_DEMO_SCREENSHOT", screenshot);
    environment.insert("TRAMEX_DEMO_QUIT_AFTER", "2");
    program.setProcessEnvironment(environment);
    program.start(TRAMEX_BINARY_DIR "/tramex", {"07", "0", "001"});
    ASSERT_TRUE(program.waitForFinished(20000)) << "the program did not end by itself";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 1) << "ended without an export";
    EXPECT_TRUE(program.readAllStandardError().contains("tramex: demo screenshot saved to"));
    const QImage picture(screenshot);
    EXPECT_GT(picture.width(), 300);
    EXPECT_GT(picture.height(), 200);
}

}  // namespace
}  // namespace tramex
