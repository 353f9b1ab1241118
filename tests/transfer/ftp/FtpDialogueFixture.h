// A client and a scripted server on loopback, with short time limits, plus
// the usual login dialogue and temporary files to upload.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/ftp/ScriptedFtpServer.h"
#include "transfer/FtpClient.h"
#include "transfer/FtpError.h"
#include "transfer/LocalFile.h"
#include "transfer/SocketErrors.h"

namespace tramex {

class FtpDialogue : public ::testing::Test {
  protected:
    FtpDialogue() {
        client.Host = "localhost";
        client.Username = "tramex";
        client.Password = "secret";
        client.ReadTimeout = 3000;
        folder =
            std::filesystem::temp_directory_path() /
            ("tramex-ftp-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder);
    }
    ~FtpDialogue() override { std::filesystem::remove_all(folder); }

    void StartServer() { Dial(server); }

    // Starts `on` and points the client at it (a fresh server per case).
    void Dial(testftp::ScriptedFtpServer& on) {
        on.Start();
        client.Port = on.Port();
    }

    // The first line greets unprompted; each further line answers the next command.
    static void Queue(testftp::ScriptedFtpServer& on, const std::vector<std::string>& lines) {
        on.Send(lines.front());
        for (std::size_t i = 1; i < lines.size(); ++i) on.Reply(lines[i]);
    }

    // Greeting, HOST, USER/PASS, the given FEAT reply and the type/SYST steps.
    void QueueLogin(const std::string& featReply = "500 FEAT not understood") {
        server.Send("220 Tramex test server ready")
            .Reply("500 HOST not understood")
            .Reply("331 Password required for tramex")
            .Reply("230 User tramex logged in")
            .Reply(featReply);
        if (featReply.find("CLNT") != std::string::npos) server.Reply("200 Noted");
        server.Reply("200 Type set to I").Reply("215 UNIX Type: L8").Reply("200 Type set to I");
    }

    // PASV, REST 0 and STOR accepted, the upload received and confirmed.
    void QueueAcceptedStore() {
        server.ReplyPassive()
            .Reply("350 Restarting at 0")
            .Reply("150 Go")
            .ReceiveUpload()
            .Send("226 Done");
    }

    std::vector<std::string> LoginCommands(bool withClnt = false) const {
        std::vector<std::string> commands = {"HOST localhost", "USER tramex", "PASS secret",
                                             "FEAT"};
        if (withClnt) commands.push_back("CLNT Tramex2 FTP 1.0");
        for (const char* c : {"TYPE I", "SYST", "TYPE I"}) commands.push_back(c);
        return commands;
    }

    static std::vector<std::string> Join(std::vector<std::string> first,
                                         const std::vector<std::string>& then) {
        first.insert(first.end(), then.begin(), then.end());
        return first;
    }

    std::string WriteFile(const std::string& name, const std::string& content) const {
        const std::filesystem::path path = folder / name;
        std::ofstream(path, std::ios::binary) << content;
        return path.string();
    }

    static std::string Pattern(std::size_t size) {
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
        return bytes;
    }

    std::string FinishServer() {
        client.Close();
        return server.Finish();
    }

    testftp::ScriptedFtpServer server{3000};
    TFtpClient client;
    std::filesystem::path folder;
};

}  // namespace tramex
