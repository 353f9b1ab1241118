// Change of directory and the store sequence against the scripted server:
// refusals at each step, the final reply, and a data connection that drops.
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <chrono>
#include <cstdlib>
#include <sstream>

#include "tests/transfer/ftp/FtpDialogueFixture.h"
#include "transfer/FtpPutCommandLine.h"

namespace tramex {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

TEST_F(FtpDialogue, RefusalAtEachStepRaisesTheReplyAndLeavesTheClientReady) {
    QueueLogin();
    server.Reply("550 incoming: No such file or directory.")
        .Reply("425 Can't open passive connection")
        .ReplyPassive()
        .Reply("502 REST not implemented")
        .ReplyPassive()
        .Reply("350 Restarting at 0")
        .Reply("553 Could not create file.");
    QueueAcceptedStore();
    StartServer();
    client.Connect();
    try {
        client.ChangeDirectory("incoming");
        ADD_FAILURE() << "CWD refusal not raised";
    } catch (const EReplyError& error) {
        EXPECT_EQ(error.Code(), 550);
        EXPECT_STREQ(error.what(), "incoming: No such file or directory.\r\n");
    }
    const std::string path = WriteFile("envio.zip", "PK");
    for (int refused : {425, 502, 553}) {
        try {
            client.StoreFile(path, "", false, 0);
            ADD_FAILURE() << refused << " not raised";
        } catch (const EReplyError& error) {
            EXPECT_EQ(error.Code(), refused);
        }
        EXPECT_TRUE(client.IsConnected());
    }
    client.StoreFile(path, "", false, 0);
    EXPECT_EQ(FinishServer(), "");
    // A refused REST sends no STOR; the refused STOR sends no data.
    EXPECT_THAT(server.Commands(),
                ElementsAreArray(Join(LoginCommands(),
                                      {"CWD incoming", "PASV", "PASV", "REST 0", "PASV", "REST 0",
                                       "STOR envio.zip", "PASV", "REST 0", "STOR envio.zip"})));
    EXPECT_THAT(server.Uploads(), ElementsAre("PK"));
}

TEST_F(FtpDialogue, FinalReplyDecidesTheOutcome) {
    const std::vector<std::string> finalReplies = {
        "226 Closing data connection", "225 Data connection open", "250 Requested file action okay",
        "451 Local error in processing"};
    QueueLogin();
    for (const std::string& finalReply : finalReplies)
        server.ReplyPassive()
            .Reply("350 Restarting at 0")
            .Reply("125 Go")
            .ReceiveUpload()
            .Send(finalReply);
    StartServer();
    client.Connect();
    const std::string path = WriteFile("f.zip", Pattern(70000));
    for (const std::string& finalReply : finalReplies) {
        SCOPED_TRACE(finalReply);
        const int code = std::stoi(finalReply);
        if (code == 451) {
            EXPECT_THROW(client.StoreFile(path, "f.zip", false, 0), EReplyError);
        } else {
            EXPECT_NO_THROW(client.StoreFile(path, "f.zip", false, 0));
        }
        EXPECT_EQ(client.LastReply().Code, code);
        EXPECT_TRUE(client.IsConnected());
    }
    EXPECT_EQ(FinishServer(), "");
    EXPECT_EQ(server.Uploads(), std::vector<std::string>(finalReplies.size(), Pattern(70000)));
}

TEST_F(FtpDialogue, DataConnectionResetMidFile) {
    // Large enough that the reset arrives while the client is still sending.
    const std::string path = WriteFile("big.zip", Pattern(48 << 20));
    const std::vector<std::string> finalReplies = {"426 Connection closed; transfer aborted.",
                                                   "226 Done anyway"};
    QueueLogin();
    for (const std::string& finalReply : finalReplies)
        server.ReplyPassive()
            .Reply("350 Restarting at 0")
            .Reply("150 Go")
            .ReceiveThenReset(65536)
            .Send(finalReply);
    StartServer();
    client.Connect();
    for (const std::string& finalReply : finalReplies) {
        SCOPED_TRACE(finalReply);
        try {
            client.StoreFile(path, "big.zip", false, 0);
            ADD_FAILURE() << "a dropped upload was reported as done";
        } catch (const EReplyError& error) {
            EXPECT_EQ(error.Code(), 426);  // the final refusal replaces the send's error
        } catch (const ESocketError&) {
            EXPECT_EQ(std::stoi(finalReply), 226);
        } catch (const EConnClosedGracefully&) {
            EXPECT_EQ(std::stoi(finalReply), 226);
        }
        EXPECT_EQ(client.LastReply().Code, std::stoi(finalReply));
        EXPECT_TRUE(client.IsConnected());
    }
    EXPECT_EQ(FinishServer(), "");
}

// From a restart position, appended from an offset, whole without REST, and empty.
TEST_F(FtpDialogue, StoreModesSendTheirCommandsAndTheMatchingBytes) {
    QueueLogin();
    server.ReplyPassive()
        .Reply("350 Restarting at 6")
        .Reply("150 Go")
        .ReceiveUpload()
        .Send("226 Done");
    server.ReplyPassive().Reply("150 Go").ReceiveUpload().Send("226 Done");
    server.ReplyPassive().Reply("150 Go").ReceiveUpload().Send("226 Done");
    QueueAcceptedStore();
    StartServer();
    client.Connect();
    const std::string path = WriteFile("part.zip", "0123456789");
    client.StoreFile(path, "part.zip", false, 6);
    client.StoreFile(path, "part.zip", true, 4);
    client.StoreFile(path, "whole.zip", false, -1);
    client.StoreFile(WriteFile("empty.zip", ""), "empty.zip", false, 0);
    EXPECT_EQ(FinishServer(), "");
    EXPECT_THAT(server.Commands(),
                ElementsAreArray(Join(LoginCommands(), {"PASV", "REST 6", "STOR part.zip", "PASV",
                                                        "APPE part.zip", "PASV", "STOR whole.zip",
                                                        "PASV", "REST 0", "STOR empty.zip"})));
    EXPECT_THAT(server.Uploads(), ElementsAre("6789", "456789", "0123456789", ""));
}

TEST_F(FtpDialogue, MissingLocalFileSendsNothing) {
    QueueLogin();
    StartServer();
    client.Connect();
    // The file layer's error, whose text TcpSend.MissingLocalFile... checks.
    EXPECT_THROW(client.StoreFile((folder / "missing.zip").string(), "x.zip", false, 0),
                 EFOpenError);
    EXPECT_TRUE(client.IsConnected());
    EXPECT_EQ(FinishServer(), "");
    EXPECT_THAT(server.Commands(), ElementsAreArray(LoginCommands()));
}

TEST_F(FtpDialogue, DataConnectionThatCannotBeOpenedLeavesStorUnread) {
    QueueLogin();
    // A 227 naming a port where nothing listens.
    const uint16_t closedPort = testnet::UnusedLoopbackPort();
    server
        .Reply("227 Entering Passive Mode (127,0,0,1," + std::to_string(closedPort / 256) + "," +
               std::to_string(closedPort % 256) + ")")
        .Reply("350 Restarting at 0")
        .Ignore();
    StartServer();
    client.Connect();
    try {
        client.StoreFile(WriteFile("e.zip", "data"), "e.zip", false, 0);
        ADD_FAILURE() << "refused data connection not reported";
    } catch (const ESocketError& error) {
        EXPECT_EQ(error.code(), 10061);
    }
    EXPECT_EQ(client.LastReply().Code, 350);
    EXPECT_TRUE(client.IsConnected());
    EXPECT_EQ(FinishServer(), "");
    EXPECT_EQ(server.Commands().back(), "STOR e.zip");
}

// A 227 naming another machine (127.0.0.2, where nothing listens) is not
// followed: the data go to the server the client talks to, and that is told.
// Asked to follow the reply, the client goes where it says.
TEST_F(FtpDialogue, DataConnectionGoesToTheControlPeerWhateverThe227Names) {
    QueueLogin();
    server.ReplyPassive("127,0,0,2")
        .Reply("350 Restarting at 0")
        .Reply("150 Go")
        .ReceiveUpload()
        .Send("226 Done")
        .ReplyPassive("127,0,0,2")
        .Reply("350 Restarting at 0")
        .Ignore();
    StartServer();
    std::vector<std::string> notices;
    client.Notice = [&notices](const std::string& text) { notices.push_back(text); };
    client.Connect();
    const std::string path = WriteFile("a.zip", "PK");
    client.StoreFile(path, "a.zip", false, 0);
    EXPECT_THAT(notices, ElementsAre("PASV indicó la dirección 127.0.0.2; los datos van a "
                                     "127.0.0.1, la del servidor"));
    client.PassiveAddressFromReply = true;
    try {
        client.StoreFile(path, "b.zip", false, 0);
        ADD_FAILURE() << "the reply's address was not followed";
    } catch (const ESocketError& error) {
        EXPECT_EQ(error.code(), 10061);
    }
    EXPECT_EQ(FinishServer(), "");
    EXPECT_THAT(server.Uploads(), ElementsAre("PK"));
}

// Any --fingerprint means TLS, and one that is no SHA-256 fingerprint (the
// empty text of an unset variable included) stops the tool before it connects.
TEST(FtpPutCommandLine, AnyPinMeansTlsAndAnUnusableOneIsRefused) {
    const auto parse = [](const std::string& pin) {
        return ParseFtpPutCommandLine(
            {"--host", "h", "--user", "u", "--password", "p", "--fingerprint", pin, "f.zip"});
    };
    EXPECT_TRUE(parse("sha256:" + std::string(64, 'a')).Tls);
    EXPECT_THAT([&] { parse(""); },
                ::testing::ThrowsMessage<EUsageError>("Huella no válida (se espera sha256:HEX)"));
    EXPECT_THAT([&] { parse("sha256:AB12"); },
                ::testing::ThrowsMessage<EUsageError>(
                    "Huella no válida (se espera sha256:HEX): sha256:AB12"));
}

// A server that takes the data connection and stops reading, with a 2 s
// limit: the client and the tool both give up with "Write timed out." once the
// send has stalled for the limit and the final reply has not come either.
TEST_F(FtpDialogue, DataConnectionThatStopsReadingEndsInWriteTimedOut) {
    const std::string path = WriteFile("big.zip", Pattern(48 << 20));
#ifdef _WIN32
    const bool ways[] = {false};  // the tool's run goes through a POSIX shell
#else
    const bool ways[] = {false, true};
#endif
    for (const bool throughTheTool : ways) {
        SCOPED_TRACE(throughTheTool ? "tramex-ftp-put --timeout 2" : "client");
        testftp::ScriptedFtpServer stalling(8000);
        Queue(stalling, {"220 ready", "200 HOST ok", "331 Password required", "230 in",
                         "500 no FEAT", "200 I", "215 UNIX", "200 I"});
        stalling.ReplyPassive().Reply("350 Restarting at 0").Reply("150 Go").AcceptUploadAndStall();
        Dial(stalling);
        const auto start = std::chrono::steady_clock::now();
        if (throughTheTool) {
#ifndef _WIN32
            const std::string errors = (folder / "errors.txt").string();
            const int status =
                std::system((std::string(TRAMEX_BINARY_DIR) +
                             "/tramex-ftp-put --timeout 2 --host 127.0.0.1 --port " +
                             std::to_string(client.Port) + " --user tramex --password secret '" +
                             path + "' 2>'" + errors + "'")
                                .c_str());
            EXPECT_EQ(WEXITSTATUS(status), 1);
            std::ifstream text(errors);
            EXPECT_EQ(std::string(std::istreambuf_iterator<char>(text), {}), "Write timed out.\n");
#endif
        } else {
            client.ReadTimeout = 2000;
            client.Connect();
            EXPECT_THROW(client.StoreFile(path, "big.zip", false, 0), EWriteTimeout);
            EXPECT_FALSE(client.IsConnected());  // the final reply never came
        }
        const auto elapsed = std::chrono::steady_clock::now() - start;
        EXPECT_GE(elapsed, std::chrono::milliseconds(2000));
        EXPECT_LT(elapsed, std::chrono::milliseconds(5000));
        EXPECT_EQ(stalling.Finish(), "");
    }
}

// A cut upload must never sit under the final name: the file goes up as
// NAME.parcial and is renamed once confirmed; a refused rename fails the store.
TEST_F(FtpDialogue, TemporaryNameUploadRenamesAfterTheConfirmedStore) {
    QueueLogin();
    for (const char* renameReply : {"250 Renamed", "553 Rename refused: file busy"})
        server.ReplyPassive()
            .Reply("350 Restarting at 0")
            .Reply("150 Go")
            .ReceiveUpload()
            .Send("226 Done")
            .Reply("350 Ready for RNTO")
            .Reply(renameReply);
    server.ReplyPassive().Reply("150 Go").ReceiveUpload().Send("226 Done");
    StartServer();
    client.UploadWithTemporaryName = true;
    client.Connect();
    const std::string path = WriteFile("envio.zip", "PK");
    client.StoreFile(path, "", false, 0);
    try {
        client.StoreFile(path, "", false, 0);
        ADD_FAILURE() << "a refused rename was reported as done";
    } catch (const EReplyError& error) {
        EXPECT_EQ(error.Code(), 553);
        EXPECT_STREQ(error.what(), "Rename refused: file busy\r\n");
    }
    client.StoreFile(path, "envio.zip", true, 0);  // an append goes on under its name
    EXPECT_EQ(FinishServer(), "");
    const std::vector<std::string> stored = {"PASV", "REST 0", "STOR envio.zip.parcial",
                                             "RNFR envio.zip.parcial", "RNTO envio.zip"};
    EXPECT_THAT(server.Commands(),
                ElementsAreArray(
                    Join(Join(Join(LoginCommands(), stored), stored), {"PASV", "APPE envio.zip"})));
}

}  // namespace
}  // namespace tramex
