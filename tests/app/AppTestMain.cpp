// Window and export run tests run inside the program's own application object,
// so its default error handler is in force, offscreen, with every box
// answered by the test seam so none can block a test.
#include "app/MessageBox.h"
#include "app/TramexApplication.h"

#include <gtest/gtest.h>

// Qt for Windows is built with its Windows plugin only (no offscreen one), and
// Wine hands no QT_* variable on to a program: there the windows go to Wine's
// desktop on the test run's own display.
#ifdef Q_OS_WIN
constexpr char kTestPlatform[] = "windows";
#else
constexpr char kTestPlatform[] = "offscreen";
#endif

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", kTestPlatform);
    tramex::TramexApplication application(argc, argv);
    application.setQuitOnLastWindowClosed(false);
    tramex::MessageBox::setAutoAnswer(true);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
