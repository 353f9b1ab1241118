// The default error handler: an error escaping a handler shows one error box,
// ends that handler only, and the window goes on working.
#include "app/StatusPanel.h"
#include "common/Error.h"
#include "tests/app/WindowTestSupport.h"

#include <QLineEdit>
#include <QPushButton>

namespace tramex {
namespace {

using testing::ObservedWindow;

class ErrorHandlerTest : public testing::WindowTest {};

TEST_F(ErrorHandlerTest, DatabaseErrorDuringF2IsShownAndTheWindowGoesOn) {
    Install(testing::kFullSettings);
    ObservedWindow& main = Open();
    bool reachedAfterError = false;
    main.duringGenerate = [&] {
        main.Panel5->ShowMessage("Generando reporte. Espere un momento...");
        throw Error("Database Error: unavailable database");
        reachedAfterError = true;
    };
    QTest::keyClick(Find<QLineEdit>("Fami"), Qt::Key_F2);

    const auto shown = MessageBox::takeShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Database Error: unavailable database.");
    EXPECT_EQ(shown[0].icon, QMessageBox::Critical);
    EXPECT_EQ(shown[0].title, "app_tests");
    EXPECT_FALSE(reachedAfterError);
    // The window stays as the handler left it, status panel included.
    EXPECT_TRUE(main.Panel5->isVisible());
    EXPECT_EQ(main.Panel5->text(), "Generando reporte. Espere un momento...");

    QTest::keyClick(Find<QLineEdit>("Fami"), Qt::Key_F9);
    EXPECT_EQ(main.Calls("BitBtn3Click"), 1);
    EXPECT_TRUE(main.isVisible());
}

TEST_F(ErrorHandlerTest, EveryClickThatFailsShowsItsOwnBox) {
    Install(testing::kFullSettings);
    ObservedWindow& main = Open();
    main.duringGenerate = [] { throw std::runtime_error("Socket Error # 10061!"); };
    auto* generate = Find<QPushButton>("SpeedButton3");
    generate->setEnabled(true);
    QTest::mouseClick(generate, Qt::LeftButton);
    QTest::mouseClick(generate, Qt::LeftButton);
    const auto shown = MessageBox::takeShown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].text, "Socket Error # 10061!");
    EXPECT_EQ(main.Calls("SpeedButton3Click"), 2);
}

}  // namespace
}  // namespace tramex
