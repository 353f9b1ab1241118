// The settings file settingsenvio.conf of the ERP installation: one value per
// line, single-byte text, read only.
#pragma once

#include "session/SessionTargets.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace tramex {

inline constexpr const char* kSettingsFileName = "settingsenvio.conf";

// The settings file inside the installation directory; an empty directory
// gives the file at the root.
std::string SettingsFilePath(const std::string& installDirectory);

// What a read found, for the run log: a file that sets nothing leaves an
// unattended start waiting with no other trace.
struct SettingsReadReport {
    bool opened = false;
    int lines = 0;                      // lines ended by CR, LF or CR LF
    std::size_t unterminatedBytes = 0;  // text after the last line end, ignored
};

// Applies every line ended by CR, LF or CR LF to its target; text after the
// last line end is not a line. A days value that is not a number throws
// ConversionError and leaves the later lines unapplied.
SettingsReadReport ReadSettings(std::string_view fileBytes, SessionTargets& targets);

// Reads the file at path; a file that cannot be opened changes nothing.
SettingsReadReport LoadSettingsFile(const std::string& path, SessionTargets& targets);

}  // namespace tramex
