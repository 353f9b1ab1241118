// The RFC 959 multi-line rule: "ddd-" opens a reply that ends at the first
// line made of the same code followed by a space, or of the bare code.
#include "transfer/FtpReply.h"

#include <algorithm>

#include "transfer/FtpError.h"
#include "transfer/FtpText.h"

namespace tramex {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool EndsMultiLineReply(std::string_view line, std::string_view firstLine) {
    if (line.size() < 3 || firstLine.size() < 3) return false;
    if (!std::all_of(line.begin(), line.begin() + 3, IsDigit)) return false;
    if (line.substr(0, 3) != firstLine.substr(0, 3)) return false;
    return line.size() == 3 || line[3] == ' ';
}

// The code text: the first four characters, stripped, without a fourth "-".
std::string CodeText(std::string_view firstLine) {
    std::string prefix(Utf8Prefix(firstLine, 4));
    if (Utf8Length(prefix) == 4 && prefix.back() == '-') prefix.pop_back();
    return std::string(StripControlAndSpace(prefix));
}

int ParseCode(const std::string& codeText) {
    if (codeText.empty()) return 0;
    const bool numeric = std::all_of(codeText.begin(), codeText.end(), IsDigit);
    const int code = numeric ? std::stoi(codeText) : 0;
    if (code < 100 || code > 999) throw EProtocolError("Reply Code is not valid: " + codeText);
    return code;
}

}  // namespace

std::string TFtpReply::Message() const {
    std::string message;
    for (const std::string& line : Text) message += line + "\r\n";
    return message;
}

TFtpReply ReadFtpReply(const FtpLineSource& nextLine) {
    std::vector<std::string> lines{nextLine()};
    const std::string first = lines.front();
    if (Utf8Length(first) >= 4 && Utf8Suffix(Utf8Prefix(first, 4), 1) == "-") {
        std::size_t bytes = first.size();
        do {
            lines.push_back(nextLine());
            bytes += lines.back().size();
            if (lines.size() > kMaxReplyLines || bytes > kMaxReplyBytes) throw EReplyTooLong();
        } while (!EndsMultiLineReply(lines.back(), lines.front()));
    }
    const std::string codeText = CodeText(lines.front());
    TFtpReply reply;
    reply.Code = ParseCode(codeText);
    reply.Text.push_back(std::string(Utf8From(lines.front(), 4)));
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        const bool hasCodePrefix = !codeText.empty() && line.starts_with(codeText);
        reply.Text.push_back(hasCodePrefix ? std::string(Utf8From(line, Utf8Length(codeText) + 1))
                                           : line);
    }
    return reply;
}

bool IsAcceptedCode(int code, const std::vector<int>& accepted) {
    return accepted.empty() || std::find(accepted.begin(), accepted.end(), code) != accepted.end();
}

}  // namespace tramex
