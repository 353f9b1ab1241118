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

bool IsWriteTimeout(const std::exception_ptr& failure) {
    if (!failure) return false;
    try {
        std::rethrow_exception(failure);
    } catch (const EWriteTimeout&) {
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace

void TFtpClient::ChangeDirectory(const std::string& remotePath) {
    RequireConnected();
    RequireSafeArgument(remotePath);
    SendCommand("CWD " + remotePath, ftpcodes::kCwd);
}

void TFtpClient::StoreFile(const std::string& localPath, const std::string& remoteName, bool append,
                           std::int64_t startPosition) {
    RequireConnected();
    const std::string name = remoteName.empty() ? FileNamePart(localPath) : remoteName;
    RequireSafeArgument(name);
    LocalFile file(localPath);
    if (name.empty()) throw EUploadFileNameEmpty();
    if (startPosition >= 0) file.Seek(startPosition);

    const bool viaTemporaryName = UploadWithTemporaryName && !append;
    const std::string storedName = viaTemporaryName ? name + kTemporaryUploadSuffix : name;
    const std::string transferCommand = (append ? "APPE " : "STOR ") + storedName;
    if (capabilities_.Supports("PRET")) SendCommand("PRET " + transferCommand, ftpcodes::kAny);
    const FtpDataEndpoint endpoint =
        ParsePasvReply(SendCommand("PASV", ftpcodes::kPasv).FirstLine());
    if (!append && startPosition >= 0) SendRestart(file.Position());
    lastStoreCheck_.clear();
    try {
        TransferFile(file, transferCommand, DataHostFor(endpoint.Host), endpoint.Port,
                     startPosition < 0);
        if (VerifyUpload && !append) CheckStoredFile(file, storedName);
    } catch (...) {
        // An append or a resumed store adds to a file that was there before:
        // deleting it would lose what the server already held.
        if (transferAccepted_ && !append && startPosition <= 0) RemoveFailedStore(storedName);
        throw;
    }
    if (viaTemporaryName) {
        SendCommand("RNFR " + storedName, ftpcodes::kRenameFrom);
        SendCommand("RNTO " + name, ftpcodes::kRenameTo);
    }
}

void TFtpClient::SendRestart(std::int64_t position) {
    SendCommand("REST " + std::to_string(position),
                position == 0 ? ftpcodes::kRestAtStart : ftpcodes::kRest);
}

// What a failed store left would be taken for the whole file by whoever
// reads the folder. The store's own error is the one that counts: this
// clean-up's failure is only told.
void TFtpClient::RemoveFailedStore(const std::string& storedName) {
    if (!IsConnected()) return;
    try {
        SendCommand("DELE " + storedName, ftpcodes::kDele);
    } catch (const std::exception& error) {
        if (Notice) Notice("DELE " + storedName + ": " + error.what());
    }
}

// Following a 227 reply's address would let a server, or whoever rewrites
// its replies, send the archive to a third machine; an upload never needs it.
std::string TFtpClient::DataHostFor(const std::string& replyHost) const {
    const std::string peer = PeerAddress();
    if (PassiveAddressFromReply) return PassiveHostFor(replyHost, peer);
    if (replyHost != peer && Notice)
        Notice("PASV indicó la dirección " + replyHost + "; los datos van a " + peer +
               ", la del servidor");
    return peer;
}

// The final reply is read only while the last reply on the control connection
// is below 300 (the server accepted the transfer command). A failure on the
// data connection is raised after it, unless the final reply itself fails.
void TFtpClient::TransferFile(LocalFile& file, const std::string& transferCommand,
                              const std::string& dataHost, std::uint16_t dataPort, bool wholeFile) {
    transferAccepted_ = false;
    SendLine(transferCommand);
    const std::exception_ptr dataFailure =
        SendOverDataConnection(file, dataHost, dataPort, wholeFile);
    if (lastReply_.Code > 0 && lastReply_.Code < 300) ReadFinalReply(dataFailure);
    if (dataFailure) std::rethrow_exception(dataFailure);
}

// Opens the data connection, reads the reply to the transfer command and
// sends the file; returns what failed, with the data connection closed.
std::exception_ptr TFtpClient::SendOverDataConnection(LocalFile& file, const std::string& dataHost,
                                                      std::uint16_t dataPort, bool wholeFile) {
    TTcpClient data;
    data.Host = dataHost;
    data.Port = dataPort;
    data.ConnectTimeout = ConnectTimeout;
    data.ReadTimeout = TransferTimeout;
    // A server that stops taking the data is given as long as one that stops answering.
    data.WriteTimeout = ReadTimeout > 0 ? ReadTimeout : -1;
    try {
        data.Open();
        lastDataTlsResumed_ = false;
        // The handshake comes first: some servers answer the transfer command
        // only once the data connection is secured.
        if (UsesTls()) {
            data.StartTls(TlsSettingsForHost(), this, ReadTimeout);
            lastDataTlsResumed_ = data.TlsDetails().Resumed;
        }
        ReadReply(ftpcodes::kTransferStart);
        transferAccepted_ = true;
        try {
            data.WriteFileData(file, wholeFile);
        } catch (const ENotASocket&) {
            // The server may already have closed a data connection it considers done.
        }
        // The closing alert tells the server the file ended here and was not cut.
        data.SendCloseNotify();
        data.Close();
        return nullptr;
    } catch (...) {
        data.Close();
        return std::current_exception();
    }
}

// A server that stopped taking the data often stops answering too: the
// silence that follows must not hide why the upload failed.
void TFtpClient::ReadFinalReply(const std::exception_ptr& dataFailure) {
    try {
        ReadReply(ftpcodes::kTransferDone);
    } catch (const EReadTimeout&) {
        if (!IsWriteTimeout(dataFailure)) throw;
    }
}

}  // namespace tramex
