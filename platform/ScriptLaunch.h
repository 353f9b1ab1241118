// Starts the deployment's scripts (comprimir, eliminar) beside the program as
// separate processes, hidden, and lets the caller wait for their end with a
// limit. A script that cannot be found or started is reported on standard
// error and is not an error of the caller.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace tramex {

// A started script. Destroying the handle neither waits for nor stops it.
class ScriptProcess {
  public:
    virtual ~ScriptProcess() = default;
    // Waits, blocking the calling thread, until the script has ended or
    // limitMs have passed; true when it has ended. Also returns (false) as
    // soon as a stop of the run is requested.
    virtual bool WaitForEnd(int limitMs) = 0;
    virtual bool Running() = 0;
    // The script's exit status once it has ended; -1 while running or unknown.
    virtual int ExitCode() = 0;
    // Ends the script and whatever it started, and reaps it.
    virtual void Terminate() = 0;
};

// "comprimir" -> "comprimir.bat" on Windows, "comprimir.sh" elsewhere.
std::string DeploymentScriptFile(const std::string& baseName);

// The script file found in workingDirectory, else in the program's own
// directory, else on PATH; empty when none holds it.
std::string FindDeploymentScript(const std::string& scriptFile,
                                 const std::string& workingDirectory);

// Launches the deployment script baseName with the parameters, in
// workingDirectory, with no window and no input. nullptr when it cannot be
// found or started, after a line on standard error whose text also goes to
// reason when one is given.
std::unique_ptr<ScriptProcess> LaunchDeploymentScript(const std::string& baseName,
                                                      const std::vector<std::string>& parameters,
                                                      const std::string& workingDirectory,
                                                      std::string* reason = nullptr);

// The directory holding the running program, without a trailing separator.
std::string ProgramDirectory();

}  // namespace tramex
