// Form-level key preview: the form sees each key press meant for any of its
// controls before that control does, and the key is not consumed, so the
// focused control still receives it afterwards.
#pragma once

#include <QObject>

#include <functional>

class QKeyEvent;
class QWidget;

namespace tramex {

class KeyPreview : public QObject {
  public:
    using KeyHandler = std::function<void(const QKeyEvent&)>;
    // Watches key presses for form's controls from now on; lives as long as form.
    KeyPreview(QWidget* form, KeyHandler onKeyDown);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool IsFirstDeliveryToForm(QObject* watched, QEvent* event) const;

    QWidget* form_;
    KeyHandler onKeyDown_;
    bool redelivering_ = false;
};

}  // namespace tramex
