// Change of directory and the store sequence against the scripted server:
// refusals at each step, the final reply, and a data connection that drops.
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <chrono>
#include <cstdlib>
#include <sstream>

#include "tests/session/ScratchDirectory.h"
#include "tests/transfer/ftp/FtpDialogueFixture.h"
#include "transfer/FtpPutCommandLine.h"
#include "transfer/FileDigest.h"
#include "transfer/FtpRetry.h"

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
        .Reply("553 Could not create file.")
        .ReplyPassive()
        .Reply("502 REST not implemented")
        .Reply("150 Go")
        .ReceiveUpload()
        .Send("226 Done");
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
    // A restart anywhere but at 0 needs the server's REST.
    for (const auto& [refused, position] : {std::pair{425, 0}, {502, 1}, {553, 0}}) {
        try {
            client.StoreFile(path, "", false, position);
            ADD_FAILURE() << refused << " not raised";
        } catch (const EReplyError& error) {
            EXPECT_EQ(error.Code(), refused);
        }
        EXPECT_TRUE(client.IsConnected());
    }
    // A restart at 0 skips nothing: without REST the store goes on.
    client.StoreFile(path, "", false, 0);
    client.StoreFile(path, "", false, 0);
    EXPECT_EQ(FinishServer(), "");
    // A refused REST 1 sends no STOR; the refused STOR sends no data and
    // leaves nothing to delete.
    EXPECT_THAT(server.Commands(),
                ElementsAreArray(Join(
                    LoginCommands(),
                    {"CWD incoming", "PASV", "PASV", "REST 1", "PASV", "REST 0", "STOR envio.zip",
                     "PASV", "REST 0", "STOR envio.zip", "PASV", "REST 0", "STOR envio.zip"})));
    EXPECT_THAT(server.Uploads(), ElementsAre("PK", "PK"));
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
    server.Reply("550 f.zip: No such file");  // the DELE after the 451
    StartServer();
    client.Connect();
    std::vector<std::string> noted;
    client.Notice = [&noted](const std::string& text) { noted.push_back(text); };
    const std::string path = WriteFile("f.zip", Pattern(70000));
    for (const std::string& finalReply : finalReplies) {
        SCOPED_TRACE(finalReply);
        const int code = std::stoi(finalReply);
        if (code == 451) {
            EXPECT_THROW(client.StoreFile(path, "f.zip", false, 0), EReplyError);
        } else {
            EXPECT_NO_THROW(client.StoreFile(path, "f.zip", false, 0));
        }
        // After the 451 comes the reply to the DELE of what it left.
        EXPECT_EQ(client.LastReply().Code, code == 451 ? 550 : code);
        EXPECT_TRUE(client.IsConnected());
    }
    EXPECT_EQ(FinishServer(), "");
    EXPECT_EQ(server.Uploads(), std::vector<std::string>(finalReplies.size(), Pattern(70000)));
    EXPECT_EQ(server.Commands().back(), "DELE f.zip");
    EXPECT_THAT(noted, ElementsAre("DELE f.zip: f.zip: No such file\r\n"));
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
            .Send(finalReply)
            .Reply("250 Deleted");
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
        EXPECT_EQ(client.LastReply().Code, 250);
        EXPECT_TRUE(client.IsConnected());
    }
    EXPECT_EQ(FinishServer(), "");
    // What the cut store left is deleted, whatever the final reply said.
    const std::vector<std::string> commands = server.Commands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "DELE big.zip"), 2);
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

// After the final reply the server is asked what it holds: size and the
// strongest digest it offers. A difference fails the store, which is then
// deleted; a failed append is never deleted, it held data before.
TEST_F(FtpDialogue, TheStoredFileIsCheckedAndAFailedStoreButNoAppendIsDeleted) {
    // SHA-256, SHA-1 and CRC-32 of "abc".
    const std::string sha256 = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
    QueueLogin("211-Features:\r\n SIZE\r\n HASH SHA-1*;SHA-256;MD5\r\n XCRC\r\n211 End");
    auto stored = [this] {
        server.ReplyPassive()
            .Reply("350 Restarting at 0")
            .Reply("150 Go")
            .ReceiveUpload()
            .Send("226 Done");
    };
    stored();
    server.Reply("213 3").Reply("200 SHA-256").Reply("213 SHA-256 0-2 " + sha256 + " f.zip");
    stored();
    server.Reply("213 2").Reply("250 Deleted");
    stored();
    server.Reply("213 3")
        .Reply("200 SHA-256")
        .Reply("213 SHA-256 0-2 A9993E364706816ABA3E25717850C26C9CD0D89D f.zip")
        .Reply("250 Deleted");
    server.ReplyPassive().Reply("150 Go").ReceiveUpload().Send("426 Aborted");
    StartServer();
    client.Connect();
    const std::string path = WriteFile("f.zip", "abc");
    client.StoreFile(path, "f.zip", false, 0);
    EXPECT_EQ(client.LastStoreCheck(), "tamaño y SHA-256");
    const std::pair<const char*, const char*> failures[] = {
        {"tamaño", "El servidor guardó 2 bytes de 3"},
        {"suma", "La suma del servidor no coincide"}};
    for (const auto& [check, message] : failures) {
        SCOPED_TRACE(check);
        try {
            client.StoreFile(path, "f.zip", false, 0);
            ADD_FAILURE() << "a wrong " << check << " was taken";
        } catch (const EUploadCheckFailed& error) {
            EXPECT_STREQ(error.what(), message);
        }
    }
    EXPECT_THROW(client.StoreFile(path, "f.zip", true, -1), EReplyError);
    EXPECT_EQ(FinishServer(), "");
    const std::vector<std::string> store = {"PASV", "REST 0", "STOR f.zip", "SIZE f.zip"};
    const std::vector<std::string> hash = {"OPTS HASH SHA-256", "HASH f.zip"};
    std::vector<std::string> expected = LoginCommands();
    for (const auto& part : std::vector<std::vector<std::string>>{
             store, hash, store, {"DELE f.zip"}, store, hash, {"DELE f.zip", "PASV", "APPE f.zip"}})
        expected.insert(expected.end(), part.begin(), part.end());
    EXPECT_THAT(server.Commands(), ElementsAreArray(expected));
}

// A server with only the older digest command of its own, answering in
// capitals; a temporary name is checked before it is renamed.
TEST_F(FtpDialogue, AnOlderDigestCommandChecksTheTemporaryNameBeforeTheRename) {
    QueueLogin("211-Features:\r\n XSHA256\r\n XCRC\r\n211 End");
    server.ReplyPassive().Reply("350 Restarting at 0").Reply("150 Go").ReceiveUpload().Send(
        "226 Done");
    server.Reply("250 BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD")
        .Reply("350 Ready")
        .Reply("250 Renamed");
    StartServer();
    client.UploadWithTemporaryName = true;
    client.Connect();
    client.StoreFile(WriteFile("f.zip", "abc"), "f.zip", false, 0);
    EXPECT_EQ(client.LastStoreCheck(), "SHA-256");
    EXPECT_EQ(FinishServer(), "");
    EXPECT_THAT(server.Commands(),
                ElementsAreArray(Join(LoginCommands(),
                                      {"PASV", "REST 0", "STOR f.zip.parcial",
                                       "XSHA256 f.zip.parcial", "RNFR f.zip.parcial",
                                       "RNTO f.zip"})));
}

// SHA-256 of "abc" is checked by the HASH scenario above.
TEST(FileDigest, KnownDigestsOfShortAndMultiPieceFiles) {
    testing::ScratchDirectory scratch;
    const std::string abc = scratch.Write("abc", "abc");
    EXPECT_EQ(FileDigestHex(abc, DigestKind::Sha1), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(FileDigestHex(abc, DigestKind::Md5), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(FileDigestHex(abc, DigestKind::Crc32), "352441c2");
    EXPECT_EQ(FileDigestHex(scratch.Write("a", std::string(1000000, 'a')), DigestKind::Sha256),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

// One of each kind: a refused login is never tried again.
TEST(FtpRetry, OnlyFailuresThatMayPassAreTriedAgain) {
    EXPECT_TRUE(IsTransientFtpFailure(EReplyError(TFtpReply{426, {"x"}})));
    EXPECT_FALSE(IsTransientFtpFailure(EReplyError(TFtpReply{530, {"x"}})));
    EXPECT_TRUE(IsTransientFtpFailure(ESocketError(10061)));
    EXPECT_TRUE(IsTransientFtpFailure(EUploadCheckFailed("La suma del servidor no coincide")));
    EXPECT_FALSE(IsTransientFtpFailure(EInvalidCommandArgument()));
}

}  // namespace
}  // namespace tramex
