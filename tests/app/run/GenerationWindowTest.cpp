// The generation window driven directly, as the generate request shows it:
// keys, unattended start, the whole run against a fresh demo database, the
// real deployment scripts and a scripted FTP destination, and how the run
// ends or stops.
#include "RunTestSupport.h"

#include "app/MessageBox.h"
#include "app/StatusPanel.h"
#include "export/RunArchive.h"
#include "export/RunLog.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QTest>

#include <gmock/gmock.h>

#include <chrono>
#include <filesystem>
#include <fstream>

namespace tramex::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

std::vector<std::string> Join(std::vector<std::string> first,
                              const std::vector<std::string>& then) {
    first.insert(first.end(), then.begin(), then.end());
    return first;
}

std::vector<std::string> Texts(const std::vector<MessageBox::Shown>& boxes) {
    std::vector<std::string> texts;
    for (const auto& box : boxes) texts.push_back(box.text.toStdString());
    return texts;
}

using GenerationWindow = ExportRunTest;

TEST_F(GenerationWindow, F2RunsWritesPacksUploadsWithoutChangingDirectoryAndEndsTheProgram) {
    parametros.IdAgencia = "";  // the window's creation makes it "0", all branches
    UseDeploymentScripts();
    QueueLogin();
    QueueUploadAndQuit();
    server.Start();
    Tfcierre& cierre = CreateWindow();
    std::string panelAfterRun;
    bool panelShown = false;

    const Ending ending = RunAsProgram([&] {
        QTest::keyClick(&cierre, Qt::Key_F2);
        panelAfterRun = cierre.Panel5->text().toStdString();
        panelShown = cierre.Panel5->isVisible();
    });

    EXPECT_EQ(ending, Ending::ProgramEnded);
    EXPECT_EQ(endStatus, 0);
    EXPECT_TRUE(window.isNull()) << "the modal loop's end destroys the window";
    EXPECT_EQ(panelAfterRun, "Subiendo archivo al servidor FTP...");
    EXPECT_TRUE(panelShown);
    EXPECT_EQ(server.Finish(), "");
    const std::string archive = ArchiveName(parametros);
    EXPECT_THAT(archive, ::testing::MatchesRegex("C1_P1_[0-9]{4}6[0-9]{4}\\.zip"));
    EXPECT_EQ(server.Commands(),
              Join(LoginCommands(), {"PASV", "REST 0", "STOR " + archive, "QUIT"}));

    // Upload = archive left by comprimir; archive = the ten files of the run;
    // eliminar removed the files and kept the archive.
    ASSERT_EQ(server.Uploads().size(), 1u);
    EXPECT_EQ(server.Uploads()[0], ReadFile(DataPath(archive)));
    EXPECT_EQ(parametros.IdAgencia, "0");
    const auto expected = ExpectedExtractFiles(dm.Quintor, parametros, scratch.path() / "expected");
    EXPECT_EQ(ArchiveEntries(DataPath(archive)), expected);
    for (const std::string& name : kExtractFiles) EXPECT_FALSE(DataFileExists(name)) << name;
    EXPECT_GT(expected.at("Ventas.txt").size(), expected.at("Ventas.txt").find('\n') + 1)
        << "the demo month has sales lines, not only a title";
}

TEST_F(GenerationWindow, UnattendedRunStartsOnActivationAndChangesIntoTheRemoteFolder) {
    dm.ModoAutomatico = "1";
    parametros.UbicaDoc = "entrada";
    parametros.CodCasa = "";
    parametros.CodPartner = "";
    UseDeploymentScripts();
    QueueLogin();
    server.Reply("250 CWD command successful");
    QueueUploadAndQuit();
    server.Start();
    CreateWindow();

    EXPECT_EQ(RunAsProgram(), Ending::ProgramEnded);

    EXPECT_EQ(server.Finish(), "");
    const std::string archive = ArchiveName(parametros);
    EXPECT_EQ(archive.substr(0, 2), "__");
    EXPECT_EQ(server.Commands(),
              Join(LoginCommands(), {"CWD entrada", "PASV", "REST 0", "STOR " + archive, "QUIT"}));
    ASSERT_EQ(server.Uploads().size(), 1u);
    EXPECT_EQ(server.Uploads()[0], ReadFile(DataPath(archive)));
}

TEST_F(GenerationWindow, EnterRunsLikeF2AndEscapeOrSalirCloseWithoutARun) {
    // Escape and the button close the window and return; nothing is written.
    for (const bool byButton : {false, true}) {
        Tfcierre& cierre = CreateWindow();
        const Ending ending = RunAsProgram([&] {
            if (byButton) {
                QTest::mouseClick(cierre.SBSalir, Qt::LeftButton);
            } else {
                QTest::keyClick(&cierre, Qt::Key_Escape);
            }
        });
        EXPECT_EQ(ending, Ending::WindowClosed) << byButton;
        EXPECT_TRUE(window.isNull());
    }
    EXPECT_TRUE(std::filesystem::is_empty(dataDirectory));

    // The server answers QUIT with garbage and hangs up after confirming the
    // upload: the archive arrived, so the run still ends with status 0.
    UseDeploymentScripts();
    QueueLogin();
    server.ReplyPassive()
        .Reply("350 Restarting at 0")
        .Reply("150 Opening BINARY mode data connection")
        .ReceiveUpload()
        .Send("226 Transfer complete")
        .ReplyAndClose("xyz adiós");
    server.Start();
    Tfcierre& cierre = CreateWindow();
    EXPECT_EQ(RunAsProgram([&] { QTest::keyClick(&cierre, Qt::Key_Return); }),
              Ending::ProgramEnded);
    EXPECT_EQ(endStatus, 0);
    EXPECT_THAT(MessageBox::takeShown(), ::testing::IsEmpty());
    EXPECT_EQ(server.Finish(), "");
    EXPECT_EQ(server.Uploads().size(), 1u);
    const std::string log = ReadFile(runlog::Path());
    EXPECT_THAT(log, HasSubstr("QUIT tras la subida: Reply Code is not valid: xyz"));
    EXPECT_THAT(log, HasSubstr("FTP > PASS ****"));
    EXPECT_THAT(log, ::testing::Not(HasSubstr("PASS demo")));
}

TEST_F(GenerationWindow, WithoutAFreshArchiveNothingIsUploadedAndTheProgramEndsWithStatusFive) {
    // An archive of the same name from an earlier run of the day, then: a
    // comprimir that leaves none, a zip that fails, and no scripts at all.
    const std::string stale = DataPath(ArchiveName(parametros));
    WriteScript("eliminar.sh", "rm -f *.txt");
    for (const std::string comprimir : {"exit 0", "zip -q /no/such/dir/x.zip *.txt", ""}) {
        SCOPED_TRACE(comprimir);
        std::ofstream(stale, std::ios::binary) << "archivo de esta mañana";
        if (comprimir.empty()) {
            std::filesystem::remove(DataPath("comprimir.sh"));
        } else {
            WriteScript("comprimir.sh", comprimir);
        }
        Tfcierre& cierre = CreateWindow();
        ::testing::internal::CaptureStderr();
        const Ending ending = RunAsProgram([&] { QTest::keyClick(&cierre, Qt::Key_F2); });
        const std::string errors = ::testing::internal::GetCapturedStderr();

        EXPECT_EQ(ending, Ending::ProgramEnded);
        EXPECT_EQ(endStatus, 5);
        EXPECT_THAT(Texts(MessageBox::takeShown()),
                    ElementsAre("No se encontró el archivo a importar."));
        EXPECT_FALSE(std::filesystem::exists(stale)) << "the earlier archive was removed first";
        if (comprimir.empty()) {
            EXPECT_THAT(errors, HasSubstr("comprimir.sh was not found"));
        }
        // eliminar did not run: the ten files stay for diagnosis.
        for (const std::string& name : kExtractFiles) EXPECT_TRUE(DataFileExists(name)) << name;
        EXPECT_THAT(ReadFile(runlog::Path()), HasSubstr("eliminar no se ejecuta"));
    }
    testftp::ScriptedFtpServer unused(300);
    unused.Start();
    EXPECT_THAT(unused.Finish(), HasSubstr("no control connection"));
    EXPECT_THAT(server.Commands(), ::testing::IsEmpty());
}

TEST_F(GenerationWindow, ServerHangingUpRightAfterTheLoginIsToldAndTheProgramStillEnds) {
    UseDeploymentScripts();
    QueueLogin(0, /*hangUp=*/true);
    server.Start();
    Tfcierre& cierre = CreateWindow();

    EXPECT_EQ(RunAsProgram([&] { QTest::keyClick(&cierre, Qt::Key_F2); }), Ending::ProgramEnded);

    EXPECT_EQ(endStatus, 6);
    EXPECT_THAT(Texts(MessageBox::takeShown()), ElementsAre("Error conectándose al servidor FTP"));
    EXPECT_EQ(server.Finish(), "");
    EXPECT_EQ(server.Commands(), LoginCommands()) << "nothing is sent after the hang-up";
}

TEST_F(GenerationWindow, RefusedLoginIsShownTheWindowStaysAndASecondRunUploads) {
    UseDeploymentScripts();
    server.Send("220 Destino de prueba listo")
        .Reply("500 HOST not understood")
        .Reply("331 Password required for demo")
        .Reply("530 Login incorrect.");
    server.AcceptNextConnection();
    QueueLogin();
    QueueUploadAndQuit();
    server.Start();
    Tfcierre& cierre = CreateWindow();
    std::vector<std::string> firstBoxes;
    bool openAfterFailure = false;
    bool runningAfterFailure = true;

    const Ending ending = RunAsProgram([&] {
        QTest::keyClick(&cierre, Qt::Key_F2);
        firstBoxes = Texts(MessageBox::takeShown());
        openAfterFailure = cierre.isVisible();
        runningAfterFailure = cierre.Running();
        QTest::keyClick(&cierre, Qt::Key_F2);
    });

    EXPECT_THAT(firstBoxes, ElementsAre("Error subiendo " + ArchiveName(parametros) +
                                        " a 127.0.0.1:" + std::to_string(server.Port()) +
                                        " (PASS): Login incorrect.\r\n"));
    EXPECT_TRUE(openAfterFailure);
    EXPECT_FALSE(runningAfterFailure);
    EXPECT_EQ(ending, Ending::ProgramEnded);
    EXPECT_EQ(server.Finish(), "");
    const std::string archive = ArchiveName(parametros);
    EXPECT_EQ(server.Commands(),
              Join({"HOST [127.0.0.1]", "USER demo", "PASS demo"},
                   Join(LoginCommands(), {"PASV", "REST 0", "STOR " + archive, "QUIT"})));
    EXPECT_EQ(server.Uploads().size(), 1u);
}

TEST_F(GenerationWindow, FailingSalesDetailProcedureStopsTheRunAndKeepsEarlierFiles) {
    dm.Quintor.ExecuteDdl("CREATE EXCEPTION E_VENTAS_FALLA 'Detalle de ventas no disponible'");
    dm.Quintor.ExecuteDdl(
        "ALTER PROCEDURE REP_VENTASDET_ZEL (INI VARCHAR(10), FIN VARCHAR(10), SUC INTEGER, "
        "FAM VARCHAR(20)) RETURNS (CODARTI VARCHAR(15), NITCLI VARCHAR(20), FECDOC VARCHAR(8), "
        "NUMDOC VARCHAR(8), CANT NUMERIC(15,4), TOTITEM NUMERIC(15,2), UNIDAD VARCHAR(8), "
        "TIPO VARCHAR(1), COSTO NUMERIC(15,2), CODVEND VARCHAR(22)) AS BEGIN "
        "EXCEPTION E_VENTAS_FALLA; SUSPEND; END");
    UseDeploymentScripts();
    std::ofstream(DataPath("Ventas.txt"), std::ios::binary) << "ventas de ayer";
    Tfcierre& cierre = CreateWindow();
    std::vector<std::string> boxes;
    std::string panel;

    const Ending ending = RunAsProgram([&] {
        QTest::keyClick(&cierre, Qt::Key_F2);
        boxes = Texts(MessageBox::takeShown());
        panel = cierre.Panel5->isVisible() ? cierre.Panel5->text().toStdString() : "";
        QTest::keyClick(&cierre, Qt::Key_Escape);
    });

    EXPECT_EQ(ending, Ending::WindowClosed);
    EXPECT_THAT(boxes, ElementsAre(HasSubstr("Detalle de ventas no disponible")));
    EXPECT_EQ(panel, "Generando archivo Ventas. espere un momento...");
    for (std::size_t step = 0; step < 7; ++step) {
        EXPECT_TRUE(DataFileExists(kExtractFiles[step])) << kExtractFiles[step];
    }
    EXPECT_EQ(ReadFile(DataPath("Ventas.txt")), "ventas de ayer");
    EXPECT_FALSE(DataFileExists("ListadodeFacturas.txt"));
    EXPECT_FALSE(DataFileExists(ArchiveName(parametros))) << "no script ran";
}

// Keys pressed while the database steps and the scripts block the window
// are queued and delivered during the upload, when the anti-freeze lets
// events through: none of them may start a second run or close the window.
TEST_F(GenerationWindow, KeysArrivingDuringTheUploadAreIgnored) {
    UseDeploymentScripts();
    QueueLogin(/*passwordReplyDelayMs=*/600);
    QueueUploadAndQuit();
    server.Start();
    Tfcierre& cierre = CreateWindow();
    int keysSeenWhileRunning = 0;
    struct KeyCounter : QObject {
        Tfcierre* window;
        int* count;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::KeyPress && window->Running()) ++*count;
            return false;
        }
    } counter;
    counter.window = &cierre;
    counter.count = &keysSeenWhileRunning;
    cierre.installEventFilter(&counter);

    const Ending ending = RunAsProgram([&] {
        for (const auto key : {Qt::Key_F2, Qt::Key_Return, Qt::Key_Escape, Qt::Key_F2}) {
            QCoreApplication::postEvent(&cierre,
                                        new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
        }
        QTest::keyClick(&cierre, Qt::Key_F2);
    });

    EXPECT_EQ(ending, Ending::ProgramEnded);
    EXPECT_EQ(keysSeenWhileRunning, 5) << "the four queued keys arrive inside the run";
    EXPECT_EQ(server.Finish(), "");
    EXPECT_EQ(server.ConnectionCount(), 1);
    EXPECT_EQ(server.Uploads().size(), 1u);
}

TEST_F(GenerationWindow, ScriptWaitsEndWithTheScriptOrAtTheirLimit) {
    using Clock = std::chrono::steady_clock;
    // A slow comprimir that does finish: the run goes on when it ends, not
    // after the limit.
    UseDeploymentScripts();
    WriteScript("comprimir.sh", "sleep 0.5\nexec sh \"" + std::string(TRAMEX_BINARY_DIR) +
                                    "/comprimir.sh\" \"$@\"");
    QueueLogin();
    QueueUploadAndQuit();
    server.Start();
    Tfcierre& cierre = CreateWindow();
    cierre.ScriptWaits = {20000, 20000, 20000};
    auto start = Clock::now();
    EXPECT_EQ(RunAsProgram([&] { QTest::keyClick(&cierre, Qt::Key_F2); }), Ending::ProgramEnded);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(server.Finish(), "");
    EXPECT_EQ(server.Uploads().size(), 1u);

    // One that outlasts both limits: the run stops waiting and finds nothing.
    std::filesystem::remove(DataPath(ArchiveName(parametros)));
    WriteScript("comprimir.sh", "sleep 3");
    Tfcierre& slow = CreateWindow();
    slow.ScriptWaits = {300, 300, 5000};
    start = Clock::now();
    EXPECT_EQ(RunAsProgram([&] { QTest::keyClick(&slow, Qt::Key_F2); }), Ending::ProgramEnded);
    const auto took = Clock::now() - start;
    EXPECT_EQ(endStatus, 5);
    EXPECT_GE(took, std::chrono::milliseconds(600));
    EXPECT_LT(took, std::chrono::milliseconds(2900));
    EXPECT_THAT(ReadFile(runlog::Path()), HasSubstr("comprimir seguía en curso tras"));
    EXPECT_THAT(Texts(MessageBox::takeShown()),
                ElementsAre("No se encontró el archivo a importar."));
}

}  // namespace
}  // namespace tramex::testing
