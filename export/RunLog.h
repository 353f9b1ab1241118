// The run log tramex.log: one line per event of every program run, appended,
// so that a scheduled run that nobody watched can be read afterwards. Lines
// written before the log's place is known are kept and written once it is.
#pragma once

#include <string>

namespace tramex::runlog {

inline constexpr const char* kLogFileName = "tramex.log";
// A log above this size when a run opens it becomes tramex.log.1 (one old
// log is kept); a run never rotates it midway.
inline constexpr long long kRotateBytes = 1024 * 1024;

// Opens the log: overridePath when not empty, else tramex.log in
// installDirectory; when that cannot be written, the user's application data
// folder, said once on standard error.
void Open(const std::string& installDirectory, const std::string& overridePath);

// "2026-12-08T22:35:01.123 4711 text": local time, process id, the text on
// one line (line breaks inside become " | ").
void Write(const std::string& text);

// The run's last line, "fin: estado 0, 11.030 s": a point and three
// decimals whatever the locale, so scripts can read it.
std::string EndText(int status, long long elapsedMs);

// The file being written, or empty text before Open.
std::string Path();

// Tests only: forgets the file and the kept lines.
void ResetForTests();

}  // namespace tramex::runlog
