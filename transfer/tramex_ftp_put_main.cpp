// tramex-ftp-put: uploads one file with the export run's own calls, for
// operators checking a destination and for tests. Exit 0 on success; on
// failure the error's message goes to standard error and the exit is 1.
#include <string>
#include <vector>

#include "platform/ConsoleText.h"
#include "platform/ProgramArguments.h"
#include "transfer/FtpClient.h"
#include "transfer/FtpPutCommandLine.h"

namespace {

// The same sequence as the export run's upload step.
void Upload(const tramex::FtpPutRequest& request) {
    tramex::TFtpClient client;
    client.Host = request.Host;
    client.Port = request.Port;
    client.Username = request.User;
    client.Password = request.Password;
    // Without a window there is no anti-freeze, whose limit would otherwise
    // bound the connect: the tool sets its own, and sends follow ReadTimeout.
    client.ConnectTimeout = request.TimeoutSeconds * 1000;
    client.ReadTimeout = request.TimeoutSeconds * 1000;
    client.UploadWithTemporaryName = request.TemporaryName;
    client.UseTls = request.Tls;
    client.PinnedFingerprint = request.Fingerprint;
    client.PassiveAddressFromReply = request.PassiveAddressFromReply;
    client.Notice = [](const std::string& text) {
        tramex::WriteConsoleText(stderr, tramex::ConsoleLines(text));
    };
    if (client.IsConnected()) client.Disconnect();
    client.Connect();
    // The export run would silently skip the upload here; a tool must not
    // report success for a file it never sent.
    if (!client.IsConnected())
        throw tramex::Error(
            "The server closed the connection after the login; nothing was uploaded.");
    if (!request.Directory.empty()) client.ChangeDirectory(request.Directory);
    client.StoreFile(request.LocalFile, request.RemoteName, false, 0);
    client.Disconnect();
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments = tramex::ProgramArguments(argc, argv);
    try {
        Upload(tramex::ParseFtpPutCommandLine(arguments));
        return 0;
    } catch (const tramex::EUsageError& usage) {
        tramex::WriteConsoleText(
            stderr, tramex::ConsoleLines(usage.what()) + tramex::kFtpPutUsage + "\n");
        return 2;
    } catch (const std::exception& failure) {
        tramex::WriteConsoleText(stderr, tramex::ConsoleLines(failure.what()));
        return 1;
    }
}
