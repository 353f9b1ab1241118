// What each system provides to the script launcher: starting a script as a
// hidden process, the program's search path. One implementation per system.
#pragma once

#include "common/Error.h"
#include "platform/ScriptLaunch.h"

#include <memory>
#include <string>
#include <vector>

namespace tramex {

class ScriptStartError : public Error {
  public:
    using Error::Error;
};

// Starts the script file at scriptPath; raises ScriptStartError when the
// system refuses.
std::unique_ptr<ScriptProcess> StartScriptProcess(const std::string& scriptPath,
                                                  const std::vector<std::string>& parameters,
                                                  const std::string& workingDirectory);

// The directories of the PATH variable, in order.
std::vector<std::string> ExecutableSearchPath();

}  // namespace tramex
