// The status panel a window shows over itself while a long step runs.
#pragma once

#include <QLabel>

#include <string>

namespace tramex {

class StatusPanel : public QLabel {
  public:
    explicit StatusPanel(QWidget* window);

    // Sets the message, shows the panel and repaints the window at once: the
    // step that follows blocks the message loop, so no paint would come.
    void ShowMessage(const std::string& text);
    void HideMessage();
    // Runs one step of the routine that showed the message. When the step
    // fails the message goes before its error is shown, so that the fields
    // under the panel can be read and corrected.
    template <typename Step>
    void HideIfFails(Step&& step) {
        try {
            step();
        } catch (...) {
            HideMessage();
            throw;
        }
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void CentreOverWindow();
};

}  // namespace tramex
