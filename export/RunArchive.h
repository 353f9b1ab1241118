// The archive one export run packs and uploads: its name, cut from the run's
// date text, and its place in the data directory.
#pragma once

#include "session/ParametrosEnvio.h"

#include <string>

namespace tramex {

// CodCasa + "_" + CodPartner + "_" + year + "6" + month + day + ".zip", the
// date parts cut from the date text: C1_P1_201960927.zip for 2019/09/27.
std::string ArchiveName(const ParametrosEnvio& parameters);

// Data directory + "/" + archive name.
std::string ArchivePath(const ParametrosEnvio& parameters);

// True when path names an existing file (UTF-8 path).
bool ArchiveExists(const std::string& path);

}  // namespace tramex
