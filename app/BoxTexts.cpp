// Box captions, error-text punctuation and the standard-error trace.
#include "app/BoxTexts.h"

#include <QCoreApplication>

namespace tramex {

QString TitleFromExecutablePath(const QString& executablePath) {
    const qsizetype lastSeparator =
        std::max(executablePath.lastIndexOf('/'), executablePath.lastIndexOf('\\'));
    QString name = executablePath.mid(lastSeparator + 1);
    const qsizetype dot = name.indexOf('.');
    if (dot >= 0) name.truncate(dot);
    if (name.isEmpty()) return name;
    return name.left(1) + name.mid(1).toLower();
}

QString ApplicationTitle() {
    return TitleFromExecutablePath(QCoreApplication::applicationFilePath());
}

std::string ErrorBoxText(const std::string& message) {
    // Any byte of a multi-byte UTF-8 character sorts after ".", as its character does.
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
    return message;
}

std::string TraceLine(const std::string& text) {
    std::string line = "tramex: ";
    for (size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        if (c == '\r' && at + 1 < text.size() && text[at + 1] == '\n') continue;
        line += (c == '\r' || c == '\n') ? ' ' : c;
    }
    return line;
}

}  // namespace tramex
