// Errors to exit statuses, and the program's one outcome.
#include "export/RunStatus.h"

#include "common/Interruption.h"
#include "data/DatabaseError.h"
#include "export/ExtractFileError.h"
#include "export/ReportCommands.h"
#include "session/CompanyCode.h"
#include "session/DaysValue.h"

#include <optional>

namespace tramex {

ExitStatus StatusOfError(const std::exception& error, ExitStatus stage) {
    // A statement broken off by the stop fails with the database's own text.
    if (interruption::Requested() || dynamic_cast<const InterruptedError*>(&error))
        return ExitStatus::Interrupted;
    if (const auto* failure = dynamic_cast<const RunFailure*>(&error)) return failure->Status();
    if (dynamic_cast<const InvalidBranchError*>(&error) ||
        dynamic_cast<const InvalidCompanyError*>(&error) ||
        dynamic_cast<const ConversionError*>(&error))
        return ExitStatus::StartUp;
    if (dynamic_cast<const DatabaseError*>(&error) || dynamic_cast<const LibraryLoadError*>(&error))
        return ExitStatus::Database;
    if (dynamic_cast<const ExtractFileError*>(&error)) return ExitStatus::ExtractFiles;
    return stage;
}

namespace outcome {
namespace {

bool uploaded = false;
std::optional<ExitStatus> lastFailure;
bool unattendedRun = false;

}  // namespace

void RecordUploaded() { uploaded = true; }
void RecordFailure(ExitStatus status) { lastFailure = status; }

int ExitCode() {
    if (uploaded) return static_cast<int>(ExitStatus::Uploaded);
    return static_cast<int>(lastFailure.value_or(ExitStatus::NoExport));
}

void SetUnattended(bool unattended) { unattendedRun = unattended; }
bool Unattended() { return unattendedRun; }

void ResetForTests() {
    uploaded = false;
    lastFailure.reset();
    unattendedRun = false;
}

}  // namespace outcome
}  // namespace tramex
