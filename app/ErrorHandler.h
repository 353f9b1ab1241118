// The default error handler: an error that escapes an event handler ends that
// handler, is shown in an error box, and the program goes on running.
#pragma once

#include "export/RunStatus.h"

#include <exception>

namespace tramex {

// Shows the error's message in an error box; the one place errors are shown.
// The error's exit status is kept for the program's end; an unattended run
// ends after the box, and a stop request ends any run without a box.
void ShowUnhandledError(const std::exception& error);

// Keeps the status for the program's end and, in an unattended run, ends the
// program with it once control is back in the message loop.
void EndUnattendedRun(ExitStatus status);

// Ends the program with status 8 after a stop request.
void EndInterruptedRun();

// Runs one handler; an error escaping it is shown. False when it failed.
template <typename Handler>
bool RunHandler(Handler&& handler) {
    try {
        handler();
        return true;
    } catch (const std::exception& error) {
        ShowUnhandledError(error);
        return false;
    }
}

}  // namespace tramex
