// The settings file settingsenvio.conf of the ERP installation: one value per
// line, single-byte text, read only.
#pragma once

#include "session/SessionTargets.h"

#include <string>
#include <string_view>

namespace tramex {

inline constexpr const char* kSettingsFileName = "settingsenvio.conf";

// The settings file inside the installation directory; an empty directory
// gives the file at the root.
std::string SettingsFilePath(const std::string& installDirectory);

// Applies every line ended by CR, LF or CR LF to its target; text after the
// last line end is not a line. A days value that is not a number throws
// ConversionError and leaves the later lines unapplied.
void ReadSettings(std::string_view fileBytes, SessionTargets& targets);

// Reads the file at path; a file that cannot be opened changes nothing.
void LoadSettingsFile(const std::string& path, SessionTargets& targets);

}  // namespace tramex
