// Run log: appended line by line, so runs of other families writing to the
// same log at the same time do not cut into each other's lines.
#include "export/RunLog.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdio>
#include <vector>

namespace tramex::runlog {
namespace {

struct LogState {
    QString path;
    std::vector<std::string> pending;  // lines before Open
};

LogState& State() {
    static LogState state;
    return state;
}

std::string OneLine(const std::string& text) {
    std::string line;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && at + 1 < text.size() && text[at + 1] == '\n') ++at;
            if (at + 1 < text.size()) line += " | ";
            continue;
        }
        line += c;
    }
    return line;
}

std::string Stamped(const std::string& text) {
    const QString time = QDateTime::currentDateTime().toString("yyyy-MM-ddTHH:mm:ss.zzz");
    return time.toStdString() + " " + std::to_string(QCoreApplication::applicationPid()) + " " +
           OneLine(text) + "\n";
}

void RotateWhenFull(const QString& path) {
    if (QFileInfo(path).size() <= kRotateBytes) return;
    const QString old = path + ".1";
    QFile::remove(old);
    QFile::rename(path, old);
}

bool Append(const QString& path, const std::string& line) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) return false;
    const bool written = file.write(line.data(), static_cast<qint64>(line.size())) ==
                         static_cast<qint64>(line.size());
    return file.flush() && written;
}

bool Writable(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Append);
}

QString FallbackPath() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(folder);
    return QDir(folder).filePath(kLogFileName);
}

}  // namespace

void Open(const std::string& installDirectory, const std::string& overridePath) {
    LogState& state = State();
    QString path = !overridePath.empty()
                       ? QString::fromStdString(overridePath)
                       : QDir(QString::fromStdString(installDirectory)).filePath(kLogFileName);
    if (installDirectory.empty() && overridePath.empty()) path.clear();
    std::string fallbackNotice;
    if (path.isEmpty() || !Writable(path)) {
        const QString fallback = FallbackPath();
        fallbackNotice =
            "el registro no se puede escribir en " +
            (path.isEmpty() ? std::string("la instalación")
                            : QDir::toNativeSeparators(path).toStdString()) +
            "; se escribe en " + QDir::toNativeSeparators(fallback).toStdString();
        std::fprintf(stderr, "tramex: %s\n", fallbackNotice.c_str());
        path = fallback;
    }
    // Only here: one run's lines stay together in one file.
    RotateWhenFull(path);
    state.path = path;
    // Standard error goes nowhere for the windowed Windows program: whoever
    // finds the log in its fallback place reads there why it is not in its own.
    if (!fallbackNotice.empty()) Append(path, Stamped(fallbackNotice));
    for (const std::string& line : state.pending) Append(path, line);
    state.pending.clear();
}

void Write(const std::string& text) {
    LogState& state = State();
    const std::string line = Stamped(text);
    if (state.path.isEmpty()) {
        state.pending.push_back(line);
        return;
    }
    if (!Append(state.path, line)) {
        std::fprintf(stderr, "tramex: no se pudo escribir en el registro %s\n",
                     state.path.toStdString().c_str());
    }
}

std::string EndText(int status, long long elapsedMs) {
    const std::string millis = std::to_string(1000 + elapsedMs % 1000).substr(1);
    return "fin: estado " + std::to_string(status) + ", " + std::to_string(elapsedMs / 1000) + "." +
           millis + " s";
}

std::string Path() { return State().path.toStdString(); }

void ResetForTests() { State() = LogState{}; }

}  // namespace tramex::runlog
