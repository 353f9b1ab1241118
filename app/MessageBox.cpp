// Message boxes: modal QMessageBox over the active window, or the test seam.
#include "app/MessageBox.h"

#include "app/BoxTexts.h"

#include <QApplication>

#include <cstdio>
#include <deque>

namespace tramex {
namespace {

struct Seam {
    bool autoAnswer = false;
    std::deque<QMessageBox::StandardButton> answers;
    std::vector<MessageBox::Shown> shown;
};

Seam& TestSeam() {
    static Seam seam;
    return seam;
}

// Schedulers capture standard error; for an unattended run this is the only trace.
void Trace(const std::string& text) {
    const std::string line = TraceLine(text) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

QMessageBox::StandardButton AnswerFromSeam(const MessageBox::Shown& box,
                                           QMessageBox::StandardButton defaultButton) {
    Seam& seam = TestSeam();
    seam.shown.push_back(box);
    if (seam.answers.empty()) return defaultButton;
    const auto answer = seam.answers.front();
    seam.answers.pop_front();
    return answer;
}

}  // namespace

QMessageBox::StandardButton MessageBox::Ask(QMessageBox::Icon icon, const std::string& text,
                                            QMessageBox::StandardButtons buttons,
                                            QMessageBox::StandardButton defaultButton) {
    Trace(text);
    const Shown box{ApplicationTitle(), QString::fromStdString(text), icon, buttons};
    if (TestSeam().autoAnswer) return AnswerFromSeam(box, defaultButton);

    QMessageBox dialog(icon, box.title, box.text, buttons, QApplication::activeWindow());
    // Error texts come from servers and files: never let them be read as markup.
    dialog.setTextFormat(Qt::PlainText);
    dialog.setDefaultButton(defaultButton);
    return static_cast<QMessageBox::StandardButton>(dialog.exec());
}

void MessageBox::Inform(const std::string& text) {
    Ask(QMessageBox::NoIcon, text, QMessageBox::Ok, QMessageBox::Ok);
}

void MessageBox::ShowError(const std::string& message) {
    Ask(QMessageBox::Critical, ErrorBoxText(message), QMessageBox::Ok, QMessageBox::Ok);
}

void MessageBox::setAutoAnswer(bool enabled) { TestSeam().autoAnswer = enabled; }

void MessageBox::setNextAnswer(QMessageBox::StandardButton answer) {
    TestSeam().autoAnswer = true;
    TestSeam().answers.push_back(answer);
}

std::vector<MessageBox::Shown> MessageBox::takeShown() {
    std::vector<Shown> shown;
    shown.swap(TestSeam().shown);
    return shown;
}

}  // namespace tramex
