// Connect, login, features and disconnect against the scripted server: the
// exact commands sent and the errors raised.
#include <chrono>

#include "tests/transfer/ftp/FtpDialogueFixture.h"
#include "transfer/FtpXaut.h"

namespace tramex {
namespace {

std::string Repeated(const std::string& text, int times) {
    std::string repeated;
    for (int i = 0; i < times; ++i) repeated += text;
    return repeated;
}

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

TEST_F(FtpDialogue, WholeUploadOfTheExportRunOnTheWire) {
    QueueLogin("211-Features:\r\n MDTM\r\n CLNT\r\n SIZE\r\n211 End");
    server.Reply("250 CWD command successful")
        .ReplyPassive()
        .Reply("350 Restarting at 0")
        .Reply("150 Opening BINARY mode data connection")
        .ReceiveUpload()
        .Send("226 Transfer complete")
        .Reply("213 100000")
        .Reply("221 Goodbye");
    StartServer();
    const std::string content = Pattern(100000);
    const std::string path = WriteFile("envio.zip", content);

    EXPECT_FALSE(client.IsConnected());
    client.Connect();
    ASSERT_TRUE(client.IsConnected());
    client.ChangeDirectory("incoming");
    client.StoreFile(path, "20100130_envio.zip", false, 0);
    client.Disconnect();

    EXPECT_FALSE(client.IsConnected());
    EXPECT_EQ(server.Finish(), "");
    EXPECT_THAT(server.Commands(),
                ElementsAreArray(Join(LoginCommands(true),
                                      {"CWD incoming", "PASV", "REST 0", "STOR 20100130_envio.zip",
                                       "SIZE 20100130_envio.zip", "QUIT"})));
    EXPECT_THAT(server.Uploads(), ElementsAre(content));
    EXPECT_EQ(client.ServerDescription(), "Tramex test server ready");
    EXPECT_EQ(client.SystemDescription(), "UNIX Type: L8");
    EXPECT_EQ(client.LastReply().Code, 221);
}

TEST_F(FtpDialogue, PreliminaryGreetingThenReadyAndNumericHostInBrackets) {
    client.Host = "127.0.0.1";
    server.Send("120 Service ready in a moment")
        .Send("220-Welcome")
        .Send(" to the")
        .Send("220 server");
    server.Reply("220 Virtual host selected")
        .Reply("230 Logged in without password")
        .Reply("502 no FEAT")
        .Reply("200 I")
        .Reply("500 SYST not understood")
        .Reply("200 I");
    StartServer();
    client.Connect();
    EXPECT_TRUE(client.IsConnected());
    EXPECT_EQ(client.Greeting().Code, 220);
    EXPECT_EQ(client.Greeting().FirstLine(), "Virtual host selected");
    EXPECT_EQ(client.ServerDescription(), "Welcome");
    EXPECT_EQ(client.SystemDescription(), "Unknown");
    EXPECT_EQ(FinishServer(), "");
    EXPECT_THAT(server.Commands(),
                ElementsAre("HOST [127.0.0.1]", "USER tramex", "FEAT", "TYPE I", "SYST", "TYPE I"));
}

TEST_F(FtpDialogue, ServerThatHangsUpAfterRefusingHostIsDialledAgainWithoutHost) {
    server.Send("220 first").ReplyAndClose("500 HOST not allowed");
    server.AcceptNextConnection()
        .Send("220 second")
        .Reply("331 Password required")
        .Reply("230 Logged in")
        .Reply("500 no FEAT")
        .Reply("200 I")
        .Reply("215 UNIX")
        .Reply("200 I");
    StartServer();
    client.Connect();
    EXPECT_TRUE(client.IsConnected());
    EXPECT_EQ(client.ServerDescription(), "second");
    EXPECT_EQ(FinishServer(), "");
    EXPECT_EQ(server.ConnectionCount(), 2);
    EXPECT_THAT(server.Commands(), ElementsAre("HOST localhost", "USER tramex", "PASS secret",
                                               "FEAT", "TYPE I", "SYST", "TYPE I"));
}

// Each case: the server's lines, the error the connect raises (code 0: a
// protocol error) and every command the client sent. Only a refusal after a
// greeting that was accepted, and not a 421, is followed by QUIT.
TEST_F(FtpDialogue, RefusalDuringConnectEndsItWithQuitOnlyWhenTheServerStillServes) {
    struct Case {
        std::vector<std::string> Lines;
        int Code;
        std::string Message;
        std::vector<std::string> Commands;
        bool Tls = false;
    };
    const std::vector<Case> cases = {
        {{"421 Too many users, try later"}, 421, "Too many users, try later\r\n", {}},
        {{"530 Not welcome here"}, 530, "Not welcome here\r\n", {}},
        {{"220 ready", "200 HOST ok", "331 Password required", "530 Login incorrect.", "221 Bye"},
         530,
         "Login incorrect.\r\n",
         {"HOST localhost", "USER tramex", "PASS secret", "QUIT"}},
        {{"220 ready", "200 HOST ok", "331 Password required", "332-Need account\r\n332 for login.",
          "221 Bye"},
         332,
         "Need account\r\nfor login.\r\n",
         {"HOST localhost", "USER tramex", "PASS secret", "QUIT"}},
        {{"220 ready", "200 HOST ok", "530 Unknown user", "221 Bye"},
         530,
         "Unknown user\r\n",
         {"HOST localhost", "USER tramex", "QUIT"}},
        {{"220 ready", "200 HOST ok", "331 Password required", "xyz garbled", "221 Bye"},
         0,
         "Reply Code is not valid: xyz",
         {"HOST localhost", "USER tramex", "PASS secret", "QUIT"}},
        {{"220 ready", "200 HOST ok", "230 in", "421 Shutting down"},
         421,
         "Shutting down\r\n",
         {"HOST localhost", "USER tramex", "FEAT"}},
        {{"220 ready", "200 HOST ok", "230 in", "500 no FEAT", "200 I", "421-Shutting\r\n421 down"},
         421,
         "Shutting\r\ndown\r\n",
         {"HOST localhost", "USER tramex", "FEAT", "TYPE I", "SYST"}},
        // An over-long reply closes the connection, so no QUIT follows.
        {{Repeated("220-welcome\r\n", 1001)}, 0, "Reply too long.", {}},
        {{"220 ready", "200 HOST ok", Repeated("331-" + std::string(16000, 'x') + "\r\n", 66)},
         0,
         "Reply too long.",
         {"HOST localhost", "USER tramex"}},
        // Computing it would take hours; the plain password must not go instead.
        {{"220 ready", "200 HOST ok", "331 Response to otp-md5 10000 seed7 required", "221 Bye"},
         0,
         "One-time password sequence out of range.",
         {"HOST localhost", "USER tramex", "QUIT"}},
        // Without TLS agreed the user name must not follow in clear.
        {{"220 ready", "200 HOST ok", "500 AUTH not understood", "221 Bye"},
         500,
         "AUTH not understood\r\n",
         {"HOST localhost", "AUTH TLS", "QUIT"},
         true},
        // A reply in clear behind the 234 is an injection: nothing more is sent.
        {{"220 ready", "200 HOST ok", "234 Proceed\r\n230 Logged in"},
         0,
         "El servidor localhost envió datos sin cifrar antes de la negociación TLS",
         {"HOST localhost", "AUTH TLS"},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Lines.back());
        testftp::ScriptedFtpServer refusing(3000);
        client.UseTls = c.Tls;
        Queue(refusing, c.Lines);
        Dial(refusing);
        try {
            client.Connect();
            ADD_FAILURE() << "connected";
        } catch (const EReplyError& error) {
            EXPECT_EQ(error.Code(), c.Code);
            EXPECT_EQ(error.what(), c.Message);
            EXPECT_EQ(c.Code == 421,
                      dynamic_cast<const EFtpServiceNotAvailable*>(&error) != nullptr);
        } catch (const Error& error) {
            EXPECT_EQ(c.Code, 0);
            EXPECT_EQ(error.what(), c.Message);
        }
        EXPECT_FALSE(client.IsConnected());
        EXPECT_EQ(refusing.Finish(), "");
        EXPECT_EQ(refusing.Commands(), c.Commands);
    }
}

// Each case: client settings, the server's lines, and every command the login
// must send: ACCT when asked, no PASS after 230 to USER, the one-time password
// for a challenge, XAUT for a numeric greeting challenge, SITE ZONE by name.
TEST_F(FtpDialogue, LoginFollowsWhatTheServerAsksFor) {
    struct Case {
        std::string Username = "tramex", Password = "secret", Account = "";
        std::vector<std::string> Lines;
        std::vector<std::string> Commands;
        int LoginCode = 230;
    };
    const std::vector<std::string> tail = {"FEAT", "TYPE I", "SYST", "TYPE I"};
    const std::vector<Case> cases = {
        {.Account = "ventas",
         .Lines = {"220 ready", "200 HOST ok", "331 Password required",
                   "332 Need account for login", "202 Account not needed after all", "500 no FEAT",
                   "200 I", "215 UNIX", "200 I"},
         .Commands = Join({"HOST localhost", "USER tramex", "PASS secret", "ACCT ventas"}, tail),
         .LoginCode = 202},
        {.Lines = {"220 ready", "200 HOST ok", "230 Anonymous access granted", "500 no FEAT",
                   "200 I", "215 UNIX", "200 I"},
         .Commands = Join({"HOST localhost", "USER tramex"}, tail)},
        {.Password = "AbCdEfGhIjK",
         .Lines = {"220 ready", "200 HOST ok",
                   "331 Response to otp-md5 99 alpha1 required for skey.", "230 Logged in",
                   "500 no FEAT", "200 I", "215 UNIX", "200 I"},
         .Commands =
             Join({"HOST localhost", "USER tramex", "PASS BODE HOP JAKE STOW JUT RAP"}, tail)},
        // "u:p" XOR key bytes E5 91 3C XOR challenge 12345 (39 30 00), low byte
        // first: A9 9B 4C, each as "5"+high half, "1"+low half.
        {.Username = "u",
         .Password = "p",
         .Lines = {"220 WS_FTP Server 8.0 (12345)", "200 HOST ok", "230 Logged in", "500 no FEAT",
                   "200 I", "215 UNIX", "200 I"},
         .Commands = Join({"HOST localhost", "XAUT 2 ?:><9="}, tail)},
        {.Lines = {"220 Serv-U FTP Server v15.0 ready...", "200 HOST ok", "230 in", "500 no FEAT",
                   "200 I", "215 UNIX", "200 zone noted", "200 I"},
         .Commands = {"HOST localhost", "USER tramex", "FEAT", "TYPE I", "SYST", "SITE ZONE",
                      "TYPE I"}},
    };
    // What a log sees of the same dialogues: never a password, account or XAUT.
    std::vector<std::string> observed;
    client.CommandSent = [&observed](const std::string& command) { observed.push_back(command); };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Lines[0] + " / " + c.Lines[2]);
        client.Username = c.Username;
        client.Password = c.Password;
        client.Account = c.Account;
        testftp::ScriptedFtpServer login(3000);
        Queue(login, c.Lines);
        Dial(login);
        client.Connect();
        EXPECT_EQ(client.LoginMessage().Code, c.LoginCode);
        EXPECT_EQ(client.ServerUtcOffset(), "");  // only a 210 reply to SITE ZONE carries one
        client.Close();
        EXPECT_EQ(login.Finish(), "");
        EXPECT_EQ(login.Commands(), c.Commands);
    }
    EXPECT_THAT(observed, ::testing::IsSupersetOf({"PASS ****", "ACCT ****", "XAUT ****"}));
    for (const char* secret : {"secret", "ventas", "BODE", "?:><9="})
        EXPECT_THAT(observed, ::testing::Each(::testing::Not(::testing::HasSubstr(secret))));
}

TEST(XautChallenge, OnlyTheNamedServerWithDigitsInBrackets) {
    EXPECT_FALSE(FindXautChallenge("220 WS_FTP Server (12a45)").has_value());
    EXPECT_FALSE(FindXautChallenge("220 Other Server (12345)").has_value());
}

TEST_F(FtpDialogue, FeaturesListingClntUtf8PretAndSiteZoneShapeTheDialogue) {
    server.Send("220 ready")
        .Reply("200 HOST ok")
        .Reply("331 Password required")
        .Reply("230 Logged in")
        .Reply(
            "211-Extensions supported:\r\n clnt\r\n UTF8\r\n PRET\r\n SITE PSWD;ZONE;SET\r\n211 "
            "END")
        .Reply("200 Noted")
        .Reply("200 I")
        .Reply("215 UNIX")
        .Reply("210 -0500")
        .Reply("200 I")
        .Reply("200 PRET ok");
    QueueAcceptedStore();
    StartServer();
    client.Connect();
    client.StoreFile(WriteFile("a.zip", "xyz"), "a\xc3\xb1o.zip", false, 0);
    EXPECT_EQ(client.ServerUtcOffset(), "-0500");
    EXPECT_TRUE(client.Capabilities().Supports("CLNT"));
    EXPECT_EQ(FinishServer(), "");
    // After UTF8 the name travels as UTF-8 bytes.
    EXPECT_THAT(server.Commands(),
                ElementsAre("HOST localhost", "USER tramex", "PASS secret", "FEAT",
                            "CLNT Tramex2 FTP 1.0", "TYPE I", "SYST", "SITE ZONE", "TYPE I",
                            "PRET STOR a\xc3\xb1o.zip", "PASV", "REST 0", "STOR a\xc3\xb1o.zip"));
    EXPECT_THAT(server.Uploads(), ElementsAre("xyz"));
}

TEST_F(FtpDialogue, WithoutFeaturesNamesTravelAsSingleBytesAndNoPretIsSent) {
    QueueLogin("500 FEAT not understood");
    QueueAcceptedStore();
    StartServer();
    client.Connect();
    client.StoreFile(WriteFile("a.zip", "xyz"), "a\xc3\xb1o.zip", false, 0);
    EXPECT_EQ(FinishServer(), "");
    EXPECT_THAT(server.Commands(),
                ElementsAreArray(Join(LoginCommands(), {"PASV", "REST 0", "STOR a\xf1o.zip"})));
}

TEST_F(FtpDialogue, QuitReplyIsReadOnlyWhenItComesWithinTheWait) {
    QueueLogin();
    server.ReplyAfter(400, "221 Late goodbye");
    StartServer();
    client.Connect();
    const auto before = std::chrono::steady_clock::now();
    client.Disconnect();
    const auto waited = std::chrono::steady_clock::now() - before;
    EXPECT_LT(waited, std::chrono::milliseconds(350));
    EXPECT_GE(waited, std::chrono::milliseconds(90));
    EXPECT_EQ(client.LastReply().Code, 200);  // the late 221 was never read
    EXPECT_FALSE(client.IsConnected());
    EXPECT_EQ(server.Finish(), "");
    EXPECT_EQ(server.Commands().back(), "QUIT");
}

// One line every 100 ms keeps each wait short, yet the reply as a whole
// must arrive within ReadTimeout.
TEST_F(FtpDialogue, TricklingMultiLineReplyTimesOutAsAWhole) {
    client.ReadTimeout = 1000;
    server.Trickle("220-still greeting", 40, 100);
    StartServer();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(client.Connect(), EReadTimeout);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2000));
    EXPECT_FALSE(client.IsConnected());
    EXPECT_EQ(server.Finish(), "");
}

// Values from database rows end up in commands: CR, LF or NUL in any of them
// is refused before anything is sent (a connect does not even dial).
TEST_F(FtpDialogue, LineBreakOrNulInAnArgumentIsRefusedBeforeSending) {
    const auto refused = [](auto&& operation) {
        try {
            operation();
            ADD_FAILURE() << "argument accepted";
        } catch (const EProtocolError& error) {
            EXPECT_STREQ(error.what(), "Invalid character in FTP command argument.");
        }
    };
    const std::string bad = "x\r\nDELE other.zip";
    for (std::string TFtpClient::*setting :
         {&TFtpClient::Username, &TFtpClient::Password, &TFtpClient::Account,
          &TFtpClient::HostArgument, &TFtpClient::ClientName}) {
        TFtpClient unsent;
        unsent.Host = "127.0.0.1";
        unsent.Port = testnet::UnusedLoopbackPort();  // dialling would fail otherwise
        unsent.*setting = bad;
        refused([&] { unsent.Connect(); });
    }
    QueueLogin();
    StartServer();
    client.Connect();
    const std::string path = WriteFile("a.zip", "a");
    refused([&] { client.ChangeDirectory("in\ncoming"); });
    refused([&] { client.StoreFile(path, "a.zip" + bad, false, 0); });
    refused([&] { client.StoreFile(path, std::string("a\0.zip", 6), false, 0); });
    client.UploadWithTemporaryName = true;
    refused([&] { client.StoreFile(path, "a\r.zip", false, 0); });
    EXPECT_TRUE(client.IsConnected());
    EXPECT_EQ(FinishServer(), "");
    EXPECT_THAT(server.Commands(), ElementsAreArray(LoginCommands()));
}

TEST_F(FtpDialogue, OperationsAfterTheServerHungUpSayItClosedTheConnection) {
    QueueLogin();
    server.ReplyAndClose("250 CWD command successful");
    StartServer();
    client.Connect();
    client.ChangeDirectory("incoming");
    try {
        client.ChangeDirectory("again");
        ADD_FAILURE() << "a closed connection was used";
    } catch (const EConnClosedGracefully& error) {
        EXPECT_STREQ(error.what(), "Connection Closed Gracefully.");
    }
    EXPECT_EQ(FinishServer(), "");
}

TEST_F(FtpDialogue, OperationsWithoutAConnection) {
    EXPECT_THROW(client.ChangeDirectory("x"), ENotConnected);
    EXPECT_THROW(client.StoreFile(WriteFile("a.zip", "a"), "", false, 0), ENotConnected);
    try {
        client.ChangeDirectory("x");
    } catch (const ENotConnected& error) {
        EXPECT_STREQ(error.what(), "Not Connected");
    }
    client.Host.clear();
    EXPECT_THROW(client.Connect(), EHostRequired);
    client.Host = "localhost";
    client.Port = 0;
    EXPECT_THROW(client.Connect(), EPortRequired);
    EXPECT_FALSE(client.IsConnected());
    client.Disconnect();  // nothing to do, no error
}

TEST_F(FtpDialogue, ConnectingTwiceDropsTheConnectionWithoutQuit) {
    QueueLogin();
    StartServer();
    client.Connect();
    EXPECT_THROW(client.Connect(), EAlreadyConnected);
    EXPECT_FALSE(client.IsConnected());
    EXPECT_EQ(server.Finish(), "");
    EXPECT_THAT(server.Commands(), ElementsAreArray(LoginCommands()));
}

// A server that agrees to TLS and then never answers the handshake: the
// connect ends within ReadTimeout, and the login never went out.
TEST_F(FtpDialogue, StalledTlsHandshakeTimesOutBeforeAnyLogin) {
    server.Send("220 ready").Reply("200 HOST ok").Reply("234 Proceed");
    StartServer();
    client.UseTls = true;
    client.ReadTimeout = 500;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_THROW(client.Connect(), EReadTimeout);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3));
    EXPECT_FALSE(client.IsConnected());
    FinishServer();
    const std::vector<std::string> commands = server.Commands();
    ASSERT_GE(commands.size(), 2u);
    EXPECT_EQ(commands[1], "AUTH TLS");
    for (const std::string& command : commands)
        EXPECT_EQ(command.find("USER"), std::string::npos) << command;
}

}  // namespace
}  // namespace tramex
