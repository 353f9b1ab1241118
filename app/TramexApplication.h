// The application object: every event is delivered inside the default error
// handler, so an error raised by any window's handler is shown and the
// message loop goes on.
#pragma once

#include <QApplication>

namespace tramex {

class TramexApplication : public QApplication {
  public:
    TramexApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace tramex
