// Switches for demonstrations and screenshots without an operator, read from
// the environment so they never mix with the scheduler's command line:
// TRAMEX_DEMO_SCREENSHOT=<file.png> saves a picture of the window once it is
// up; TRAMEX_DEMO_QUIT_AFTER=<seconds> ends the program after that time.
#pragma once

class QWidget;

namespace tramex {

void StartDemoHooks(QWidget& window);

}  // namespace tramex
