// The default error handler: an error that escapes an event handler ends that
// handler, is shown in an error box, and the program goes on running.
#pragma once

#include <exception>

namespace tramex {

// Shows the error's message in an error box; the one place errors are shown.
void ShowUnhandledError(const std::exception& error);

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
