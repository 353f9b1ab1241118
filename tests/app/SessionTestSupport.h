// Window tests over a real company database: settings that point the window
// at it, and the window's handlers running for real.
#pragma once

#include "tests/app/ErpDatabase.h"
#include "tests/app/WindowTestSupport.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tramex::testing {

class SessionTest : public WindowTest {
  protected:
    // Settings whose connection fields reach database; mode "1" = unattended.
    void InstallFor(const ErpDatabase& database, const std::string& company,
                    const char* mode = "0") {
        Install(CrLfLines({"r1", "r2", "r3", database.Servidor().c_str(),
                           (scratch.path() / "envio").c_str(), "30", database.User().c_str(),
                           database.Password().c_str(), company.c_str(), mode}));
    }

    // Opens the window with its handlers running; activation connects.
    ObservedWindow& OpenConnected(std::vector<std::string> commandLine = {}) {
        Create(std::move(commandLine));
        window->runHandlers = true;
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window));
        EXPECT_EVENTUALLY(window->Calls("CiaExit") >= 1);
        return *window;
    }

    QStringList Branches() {
        QStringList items;
        auto* branches = Find<QComboBox>("CboAgencia");
        for (int at = 0; at < branches->count(); ++at) items << branches->itemText(at);
        return items;
    }

    // Chooses a branch the way the operator does, with the arrow keys.
    void ChooseBranch(int index) {
        auto* branches = Find<QComboBox>("CboAgencia");
        while (branches->currentIndex() < index) QTest::keyClick(branches, Qt::Key_Down);
        while (branches->currentIndex() > index) QTest::keyClick(branches, Qt::Key_Up);
    }

    // Types into an edit and leaves it with Tab, as the operator does.
    void TypeAndLeave(const char* edit, const QString& text) {
        auto* field = Find<QLineEdit>(edit);
        field->setFocus();
        field->setText(text);
        QTest::keyClick(field, Qt::Key_Tab);
    }

    std::vector<std::string> TakeShownTexts() {
        std::vector<std::string> texts;
        for (const auto& box : MessageBox::takeShown()) texts.push_back(box.text.toStdString());
        return texts;
    }
};

}  // namespace tramex::testing
