// Message boxes: modal QMessageBox over the active window, or the test seam.
#include "app/MessageBox.h"

#include "app/BoxTexts.h"
#include "export/RunLog.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <deque>
#include <memory>

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

int selfClosingSeconds = 0;

// Every box goes to standard error and to the run log: a scheduled run has
// nobody in front of the screen.
void Trace(const std::string& text) {
    const std::string line = TraceLine(text) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    runlog::Write("aviso: " + text);
}

QString TimeLeftText(int seconds) {
    return QStringLiteral("Este aviso se cerrará solo en %1 s.").arg(seconds);
}

// Counts down under the message and closes the box with its default button.
void CloseByItself(QMessageBox& dialog, QMessageBox::StandardButton defaultButton, int seconds) {
    auto* timer = new QTimer(&dialog);
    auto left = std::make_shared<int>(seconds);
    dialog.setInformativeText(TimeLeftText(*left));
    QObject::connect(timer, &QTimer::timeout, &dialog, [&dialog, timer, left, defaultButton] {
        if (--*left > 0) {
            dialog.setInformativeText(TimeLeftText(*left));
            return;
        }
        timer->stop();
        runlog::Write("aviso cerrado sin respuesta");
        dialog.done(defaultButton);
    });
    timer->start(1000);
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
    const Shown box{ApplicationTitle(), QString::fromStdString(text), icon, buttons,
                    selfClosingSeconds};
    if (TestSeam().autoAnswer) return AnswerFromSeam(box, defaultButton);

    QMessageBox dialog(icon, box.title, box.text, buttons, QApplication::activeWindow());
    // Error texts come from servers and files: never let them be read as markup.
    dialog.setTextFormat(Qt::PlainText);
    dialog.setDefaultButton(defaultButton);
    if (selfClosingSeconds > 0) CloseByItself(dialog, defaultButton, selfClosingSeconds);
    return static_cast<QMessageBox::StandardButton>(dialog.exec());
}

void MessageBox::Inform(const std::string& text) {
    Ask(QMessageBox::NoIcon, text, QMessageBox::Ok, QMessageBox::Ok);
}

void MessageBox::ShowError(const std::string& message) {
    Ask(QMessageBox::Critical, ErrorBoxText(message), QMessageBox::Ok, QMessageBox::Ok);
}

void MessageBox::setSelfClosingSeconds(int seconds) { selfClosingSeconds = seconds; }

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
