// Every box the program shows goes through here: captioned with the
// application title and traced as one line on standard error. Tests answer
// boxes through the seam instead of a modal loop.
#pragma once

#include <QMessageBox>
#include <QString>

#include <string>
#include <vector>

namespace tramex {

class MessageBox {
  public:
    // An operator message: no icon, one "OK".
    static void Inform(const std::string& text);
    // An error box: the message under the full-stop rule, error icon, "OK".
    static void ShowError(const std::string& message);
    // Any other box; returns the button pressed.
    static QMessageBox::StandardButton Ask(QMessageBox::Icon icon, const std::string& text,
                                           QMessageBox::StandardButtons buttons,
                                           QMessageBox::StandardButton defaultButton);

    // Boxes of an unattended run close by themselves (with their default
    // button) after this many seconds, showing the time left under the
    // message; 0 waits for an operator.
    static void setSelfClosingSeconds(int seconds);

    // Test seam. While answering automatically no box is shown: each one is
    // recorded and answered with the next queued answer, or with its default
    // button when none is queued.
    struct Shown {
        QString title;
        QString text;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
        int selfClosingSeconds = 0;
    };
    static void setAutoAnswer(bool enabled);
    // Queues one answer and turns automatic answering on.
    static void setNextAnswer(QMessageBox::StandardButton answer);
    // The boxes answered automatically since the last call, oldest first.
    static std::vector<Shown> takeShown();
};

}  // namespace tramex
