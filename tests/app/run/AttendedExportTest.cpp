// The attended export through the windows, in-process: the main window reads
// the installation's settings, connects to the demo database, F2 opens the
// generation window, F2 there runs the export, and the program's loop ends
// with the main window closed.
#include "RunTestSupport.h"

#include "app/Tftramexfamilia.h"
#include "export/RunArchive.h"

#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gmock/gmock.h>

namespace tramex::testing {
namespace {

class AttendedExport : public ExportRunTest {
  protected:
    AttendedExport() : xdg_("XDG_CONFIG_DIRS", (scratch.path() / "xdg").string()) {
        InstallDemoCompany(scratch, dataDirectory, "0");
        fdm = &dm;
    }
    ~AttendedExport() override {
        delete main.data();
        fdm = nullptr;
    }

    QPointer<Tftramexfamilia> main;

  private:
    ScopedEnvironment xdg_;
};

TEST_F(AttendedExport, F2OnTheMainWindowThenF2OnTheGenerationWindowExportsAndEndsTheProgram) {
    UseDeploymentScripts();
    QueueLogin();
    QueueUploadAndQuit();
    server.Start();
    main = new Tftramexfamilia({"01", "0", "001", "30"});
    bool generationWindowSeen = false;
    QTimer pressF2OnGenerationWindow;
    pressF2OnGenerationWindow.setInterval(20);
    QObject::connect(&pressF2OnGenerationWindow, &QTimer::timeout, [&] {
        if (!fcierre || generationWindowSeen) return;
        generationWindowSeen = true;
        fcierre->FtpClient1.Port = server.Port();
        fcierre->FtpClient1.ReadTimeout = 3000;
        QTest::keyClick(fcierre, Qt::Key_F2);
    });

    int status = -1;
    QTimer start;
    start.setSingleShot(true);
    QObject::connect(&start, &QTimer::timeout, [&] {
        main->show();
        // The first activation connects: the branch list fills and F2: Generar is enabled.
        if (!QTest::qWaitFor([&] { return main->SpeedButton3->isEnabled(); }, 10000)) {
            QCoreApplication::exit(3);
            return;
        }
        EXPECT_EQ(main->CboAgencia->currentIndex(), 0);
        pressF2OnGenerationWindow.start();
        QTest::keyClick(main, Qt::Key_F2);  // returns when the generation window's loop ends
    });
    start.start(0);
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(3); });
    watchdog.start(30000);
    status = QCoreApplication::exec();

    EXPECT_EQ(status, 0) << "the run told the application to end";
    EXPECT_TRUE(generationWindowSeen);
    EXPECT_TRUE(main.isNull() || !main->isVisible()) << "the main window closed itself";
    EXPECT_EQ(fcierre, nullptr);
    EXPECT_EQ(server.Finish(), "");
    ParametrosEnvio expected;
    expected.CodCasa = "C1";
    expected.CodPartner = "P1";
    expected.Fecha = Today();
    const std::string archive = ArchiveName(expected);
    EXPECT_THAT(server.Commands(), ::testing::ElementsAreArray([&] {
                    std::vector<std::string> all = LoginCommands();
                    for (const std::string& c : {std::string("PASV"), std::string("REST 0"),
                                                 "STOR " + archive, std::string("QUIT")}) {
                        all.push_back(c);
                    }
                    return all;
                }()));
    ASSERT_EQ(server.Uploads().size(), 1u);
    parametros.IdAgencia = "0";
    EXPECT_EQ(ArchiveEntries(DataPath(archive)),
              ExpectedExtractFiles(dm.Quintor, parametros, (scratch.path() / "expected").string()));
}

}  // namespace
}  // namespace tramex::testing
