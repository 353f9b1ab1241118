// Event delivery under the default error handler.
#include "app/TramexApplication.h"

#include "app/ErrorHandler.h"

namespace tramex {

TramexApplication::TramexApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TramexApplication::notify(QObject* receiver, QEvent* event) {
    bool handled = false;
    RunHandler([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

}  // namespace tramex
