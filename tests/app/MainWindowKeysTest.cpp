// The form keys F2, F9 and Escape seen before the controls, the modifiers
// that disable them, the configuration panel turning F2 and Escape into save
// and discard, and the buttons.
#include "tests/app/WindowTestSupport.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace tramex {
namespace {

class MainWindowKeysTest : public testing::WindowTest {
  protected:
    void SetUp() override {
        Install(testing::kFullSettings);
        Open();
        editor = Find<QGroupBox>("AdvPanel1");
        server = Find<QLineEdit>("Servidor");
        server->setFocus();
    }

    QGroupBox* editor = nullptr;
    QLineEdit* server = nullptr;
};

TEST_F(MainWindowKeysTest, F2GeneratesOnceAlthoughItsButtonIsDisabled) {
    ASSERT_FALSE(Find<QPushButton>("SpeedButton3")->isEnabled());
    // The edit ignores F2, so the toolkit hands it on to every parent: still one request.
    QTest::keyClick(server, Qt::Key_F2);
    EXPECT_EQ(window->Calls("SpeedButton3Click"), 1);
    EXPECT_EQ(window->keysSeen, std::vector<int>{Qt::Key_F2});
}

TEST_F(MainWindowKeysTest, KeysAreSeenByTheFormAndStillReachTheFocusedControl) {
    QTest::keyClicks(server, "ab");
    EXPECT_EQ(server->text(), "localhost:/srv/erpab");
    EXPECT_EQ(window->keysSeen, (std::vector<int>{Qt::Key_A, Qt::Key_B}));
}

TEST_F(MainWindowKeysTest, ModifiersTurnTheKeysOff) {
    QTest::keyClick(server, Qt::Key_F2, Qt::ControlModifier);
    QTest::keyClick(server, Qt::Key_Escape, Qt::ShiftModifier);
    QTest::keyClick(server, Qt::Key_F9, Qt::AltModifier);
    QTest::keyClick(server, Qt::Key_Escape, Qt::ControlModifier);
    QTest::qWait(20);
    // The form saw the keys (and the modifier keys themselves) and did nothing with them.
    const auto& seen = window->keysSeen;
    for (int key : {Qt::Key_F2, Qt::Key_Escape, Qt::Key_F9}) {
        EXPECT_NE(std::find(seen.begin(), seen.end(), key), seen.end()) << key;
    }
    EXPECT_EQ(window->Calls("SpeedButton3Click"), 0);
    EXPECT_EQ(window->Calls("BitBtn3Click"), 0);
    EXPECT_FALSE(window.isNull());
    EXPECT_TRUE(window->isVisible());
}

TEST_F(MainWindowKeysTest, F9OpensTheEditorFromAnyControl) {
    QTest::keyClick(Find<QLineEdit>("Fami"), Qt::Key_F9);
    QTest::keyClick(window, Qt::Key_F9);
    EXPECT_EQ(window->Calls("BitBtn3Click"), 2);
}

TEST_F(MainWindowKeysTest, WithTheEditorOpenF2SavesAndEscapeDiscards) {
    editor->show();
    QTest::keyClick(server, Qt::Key_F2);
    EXPECT_EQ(window->Calls("AdvGlowButton1Click"), 1);
    EXPECT_EQ(window->Calls("SpeedButton3Click"), 0);
    QTest::keyClick(server, Qt::Key_Escape);
    EXPECT_EQ(window->Calls("AdvGlowButton2Click"), 1);
    QTest::qWait(20);
    EXPECT_FALSE(window.isNull());
    EXPECT_TRUE(window->isVisible());
}

TEST_F(MainWindowKeysTest, EscapeWithTheEditorClosedOrTheCancelButtonDestroysTheWindow) {
    QTest::keyClick(server, Qt::Key_Escape);
    EXPECT_EVENTUALLY(window.isNull());
    Open();
    QTest::mouseClick(Find<QPushButton>("SpeedButton2"), Qt::LeftButton);
    EXPECT_EVENTUALLY(window.isNull());
}

TEST_F(MainWindowKeysTest, ButtonsRunTheirHandlers) {
    QTest::mouseClick(Find<QPushButton>("BitBtn3"), Qt::LeftButton);
    editor->show();
    QTest::mouseClick(Find<QPushButton>("AdvGlowButton1"), Qt::LeftButton);
    QTest::mouseClick(Find<QPushButton>("AdvGlowButton2"), Qt::LeftButton);
    auto* generate = Find<QPushButton>("SpeedButton3");
    QTest::mouseClick(generate, Qt::LeftButton);  // disabled: no request
    generate->setEnabled(true);
    QTest::mouseClick(generate, Qt::LeftButton);
    EXPECT_EQ(window->Calls("BitBtn3Click"), 1);
    EXPECT_EQ(window->Calls("AdvGlowButton1Click"), 1);
    EXPECT_EQ(window->Calls("AdvGlowButton2Click"), 1);
    EXPECT_EQ(window->Calls("SpeedButton3Click"), 1);
}

TEST_F(MainWindowKeysTest, BranchSelectorOpensOnTypingAndReportsOperatorChoicesOnly) {
    auto* branches = Find<QComboBox>("CboAgencia");
    branches->addItems({"Todas...", "Central", "Este", "Oeste", "Puerto", "Sur", "Norte"});
    branches->setCurrentIndex(1);  // filling and selecting in code is not a change
    EXPECT_EQ(window->Calls("CboAgenciaChange"), 0);
    branches->setEnabled(true);
    branches->setFocus();
    QTest::keyClick(branches, Qt::Key_N);
    EXPECT_EVENTUALLY(branches->view()->isVisible());
    // The list shows four rows at a time.
    QAbstractItemView* list = branches->view();
    const auto rowsShown = [&] {
        int shown = 0;
        for (int row = 0; row < branches->count(); ++row) {
            const QRect cell = list->visualRect(list->model()->index(row, 0));
            shown += cell.isValid() && list->viewport()->rect().contains(cell);
        }
        return shown;
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return rowsShown() == 4; }, 500)) << rowsShown() << " rows";
    branches->hidePopup();
    QTest::keyClick(branches, Qt::Key_Down);
    EXPECT_EQ(window->Calls("CboAgenciaChange"), 1);
}

}  // namespace
}  // namespace tramex
