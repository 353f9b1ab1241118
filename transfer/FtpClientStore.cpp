// TFtpClient::ChangeDirectory and StoreFile: PRET, PASV, REST, STOR or APPE,
// the data connection, and the final reply that confirms the upload.
#include <exception>

#include "transfer/FtpClient.h"
#include "transfer/FtpCommands.h"
#include "transfer/FtpError.h"
#include "transfer/FtpPassive.h"
#include "transfer/LocalFile.h"

namespace tramex {
namespace {

std::string FileNamePart(const std::string& path) {
    const std::size_t separator = path.find_last_of("/\\");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

}  // namespace

void TFtpClient::ChangeDirectory(const std::string& remotePath) {
    RequireConnected();
    SendCommand("CWD " + remotePath, ftpcodes::kCwd);
}

void TFtpClient::StoreFile(const std::string& localPath, const std::string& remoteName, bool append,
                           std::int64_t startPosition) {
    RequireConnected();
    const std::string name = remoteName.empty() ? FileNamePart(localPath) : remoteName;
    LocalFile file(localPath);
    if (name.empty()) throw EUploadFileNameEmpty();
    if (startPosition >= 0) file.Seek(startPosition);

    const std::string transferCommand = (append ? "APPE " : "STOR ") + name;
    if (capabilities_.Supports("PRET")) SendCommand("PRET " + transferCommand, ftpcodes::kAny);
    const FtpDataEndpoint endpoint =
        ParsePasvReply(SendCommand("PASV", ftpcodes::kPasv).FirstLine());
    if (!append && startPosition >= 0)
        SendCommand("REST " + std::to_string(file.Position()), ftpcodes::kRest);
    TransferFile(file, transferCommand, DataHostFor(endpoint.Host), endpoint.Port,
                 startPosition < 0);
}

std::string TFtpClient::DataHostFor(const std::string& replyHost) const {
    return PassiveToControlHost ? PeerAddress() : PassiveHostFor(replyHost, PeerAddress());
}

// The final reply is read only while the last reply on the control connection
// is below 300 (the server accepted the transfer command). A failure on the
// data connection is raised after it, unless the final reply itself fails.
void TFtpClient::TransferFile(LocalFile& file, const std::string& transferCommand,
                              const std::string& dataHost, std::uint16_t dataPort, bool wholeFile) {
    SendLine(transferCommand);
    std::exception_ptr dataFailure;
    {
        TTcpClient data;
        data.Host = dataHost;
        data.Port = dataPort;
        data.ConnectTimeout = ConnectTimeout;
        data.ReadTimeout = TransferTimeout;
        try {
            data.Open();
            ReadReply(ftpcodes::kTransferStart);
            try {
                data.WriteFileData(file, wholeFile);
            } catch (const ENotASocket&) {
                // The server may already have closed a data connection it considers done.
            }
            data.Close();
        } catch (...) {
            dataFailure = std::current_exception();
            data.Close();
        }
    }
    if (lastReply_.Code > 0 && lastReply_.Code < 300) ReadReply(ftpcodes::kTransferDone);
    if (dataFailure) std::rethrow_exception(dataFailure);
}

}  // namespace tramex
