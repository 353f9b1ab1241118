// TFtpClient's check of a stored file: after the final reply, the server is
// asked what it holds under the stored name (SIZE, then one digest) and the
// answers are compared with the local file. Servers that list neither in
// FEAT are not asked.
#include "transfer/FileDigest.h"
#include "transfer/FtpClient.h"
#include "transfer/FtpCommands.h"
#include "transfer/FtpError.h"
#include "transfer/FtpText.h"
#include "transfer/LocalFile.h"

#include <cstdint>
#include <sstream>

namespace tramex {
namespace {

struct DigestChoice {
    DigestKind kind;
    const char* hashName;  // as HASH names it (draft-bryan-ftp-hash)
    const char* command;   // the older command of its own
    const char* shownName;
};

// Strongest first.
constexpr DigestChoice kDigests[] = {
    {DigestKind::Sha256, "SHA-256", "XSHA256", "SHA-256"},
    {DigestKind::Sha1, "SHA-1", "XSHA1", "SHA-1"},
    {DigestKind::Md5, "MD5", "XMD5", "MD5"},
    {DigestKind::Crc32, "CRC32", "XCRC", "CRC-32"},
};

// The algorithms of the FEAT line "HASH SHA-256*;SHA-1;MD5"; the one the
// server uses now carries a "*".
struct HashFeature {
    std::vector<std::string> names;
    std::string current;
};

HashFeature ReadHashFeature(const FtpCapabilities& capabilities) {
    HashFeature feature;
    for (const std::string& line : capabilities.Lines()) {
        const std::string_view text = StripControlAndSpace(line);
        if (!StartsWithIgnoringCase(text, "HASH ")) continue;
        for (std::string_view name : SplitOn(text.substr(5), ';')) {
            name = StripControlAndSpace(name);
            const bool current = !name.empty() && name.back() == '*';
            if (current) name.remove_suffix(1);
            feature.names.emplace_back(name);
            if (current) feature.current = std::string(name);
        }
    }
    return feature;
}

bool Lists(const std::vector<std::string>& names, const char* name) {
    for (const std::string& listed : names)
        if (EqualsIgnoringCase(listed, name)) return true;
    return false;
}

// A digest reply names the digest among other words ("213 SHA-256 0-99 HEX
// name", "250 HEX"): it matches when one of its words is ours.
bool ReplyHolds(const TFtpReply& reply, const std::string& hex) {
    std::istringstream words(reply.FirstLine());
    for (std::string word; words >> word;)
        if (EqualsIgnoringCase(word, hex)) return true;
    return false;
}

}  // namespace

void TFtpClient::CheckStoredFile(LocalFile& file, const std::string& storedName) {
    std::string checked;
    if (capabilities_.Supports("SIZE")) {
        CheckStoredSize(file, storedName);
        checked = "tamaño";
    }
    const std::string digest = CheckStoredDigest(file.Path(), storedName);
    if (!digest.empty()) checked += (checked.empty() ? "" : " y ") + digest;
    lastStoreCheck_ = checked;
}

void TFtpClient::CheckStoredSize(LocalFile& file, const std::string& storedName) {
    const TFtpReply reply = SendCommand("SIZE " + storedName, ftpcodes::kSize);
    const std::string stored(StripControlAndSpace(reply.FirstLine()));
    const std::string local = std::to_string(file.Size());
    if (stored != local)
        throw EUploadCheckFailed("El servidor guardó " + stored + " bytes de " + local);
}

// Returns the digest's name once compared, or empty text when the server
// offers none.
std::string TFtpClient::CheckStoredDigest(const std::string& localPath,
                                          const std::string& storedName) {
    const HashFeature hash = ReadHashFeature(capabilities_);
    for (const DigestChoice& choice : kDigests) {
        std::string command;
        if (Lists(hash.names, choice.hashName)) {
            if (!EqualsIgnoringCase(hash.current, choice.hashName))
                SendCommand(std::string("OPTS HASH ") + choice.hashName, ftpcodes::kOptsHash);
            command = "HASH ";
        } else if (capabilities_.Supports(choice.command)) {
            command = std::string(choice.command) + " ";
        } else {
            continue;
        }
        const TFtpReply reply = SendCommand(command + storedName, ftpcodes::kDigest);
        if (!ReplyHolds(reply, FileDigestHex(localPath, choice.kind)))
            throw EUploadCheckFailed("La suma del servidor no coincide");
        return choice.shownName;
    }
    return {};
}

}  // namespace tramex
