// Window and export run tests run inside the program's own application object,
// so its default error handler is in force, offscreen, with every box
// answered by the test seam so none can block a test.
#include "app/MessageBox.h"
#include "app/TramexApplication.h"

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    tramex::TramexApplication application(argc, argv);
    application.setQuitOnLastWindowClosed(false);
    tramex::MessageBox::setAutoAnswer(true);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
