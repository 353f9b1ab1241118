// How a program run ended, as its exit status: what a scheduler shows as the
// last run's result. The program's outcome is kept here for the whole run.
#pragma once

#include "common/Error.h"

#include <exception>
#include <string>

namespace tramex {

enum class ExitStatus : int {
    Uploaded = 0,           // the server confirmed the stored archive
    NoExport = 1,           // the operator ended the program without an export
    StartUp = 2,            // start-up, settings, command line or configuration
    Database = 3,           // connect or query
    ExtractFiles = 4,       // an extract file could not be written
    Packing = 5,            // no fresh archive to upload
    Ftp = 6,                // the upload failed
    DataDirectoryBusy = 7,  // another export holds the data directory
    Interrupted = 8,        // a termination signal or the session's end
};

// An error of the run that knows its exit status.
class RunFailure : public Error {
  public:
    RunFailure(ExitStatus status, const std::string& message) : Error(message), status_(status) {}
    ExitStatus Status() const { return status_; }

  private:
    ExitStatus status_;
};

// The exit status an error stands for; stage is the status of the step that
// was running, for errors that do not tell by their type.
ExitStatus StatusOfError(const std::exception& error, ExitStatus stage);

namespace outcome {

void RecordUploaded();
void RecordFailure(ExitStatus status);
// 0 once an upload was confirmed; otherwise the last failure; otherwise 1.
int ExitCode();
// The unattended flag of this program run ("1" in the settings file).
void SetUnattended(bool unattended);
bool Unattended();
void ResetForTests();

}  // namespace outcome
}  // namespace tramex
