// Error boxes for errors nobody caught, and how a failed run ends.
#include "app/ErrorHandler.h"

#include "app/MessageBox.h"
#include "common/Interruption.h"
#include "export/RunLog.h"

#include <QCoreApplication>

namespace tramex {

void ShowUnhandledError(const std::exception& error) {
    // Outside the export run an error without a type of its own belongs to
    // the start-up (registry, settings, command line).
    const ExitStatus status = StatusOfError(error, ExitStatus::StartUp);
    if (status == ExitStatus::Interrupted) {
        runlog::Write(std::string("interrumpido: ") + error.what());
        EndInterruptedRun();
        return;
    }
    outcome::RecordFailure(status);
    MessageBox::ShowError(error.what());
    EndUnattendedRun(status);
}

void EndUnattendedRun(ExitStatus status) {
    outcome::RecordFailure(status);
    if (outcome::Unattended()) QCoreApplication::exit(static_cast<int>(status));
}

void EndInterruptedRun() {
    outcome::RecordFailure(ExitStatus::Interrupted);
    QCoreApplication::exit(static_cast<int>(ExitStatus::Interrupted));
}

}  // namespace tramex
