// Key preview through an application-wide event filter. Qt hands an unaccepted
// key on to each parent in turn and the filter sees every step; so the filter
// takes the key at its first receiver, lets the form see it, and then delivers
// a copy to that receiver itself, which the filter lets through untouched.
#include "app/KeyPreview.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>

#include <memory>

namespace tramex {

KeyPreview::KeyPreview(QWidget* form, KeyHandler onKeyDown)
    : QObject(form), form_(form), onKeyDown_(std::move(onKeyDown)) {
    qApp->installEventFilter(this);
}

bool KeyPreview::IsFirstDeliveryToForm(QObject* watched, QEvent* event) const {
    if (redelivering_ || event->type() != QEvent::KeyPress || !watched->isWidgetType()) {
        return false;
    }
    return static_cast<QWidget*>(watched)->window() == form_;
}

bool KeyPreview::eventFilter(QObject* watched, QEvent* event) {
    if (!IsFirstDeliveryToForm(watched, event)) return false;
    QPointer<QObject> receiver(watched);
    // An error in the form's handler ends the key here, as it ends any handler.
    onKeyDown_(static_cast<const QKeyEvent&>(*event));
    if (receiver) {
        std::unique_ptr<QEvent> copy(event->clone());
        redelivering_ = true;
        struct Reset {
            bool& flag;
            ~Reset() { flag = false; }
        } reset{redelivering_};
        QCoreApplication::sendEvent(receiver, copy.get());
    }
    event->accept();  // already delivered: Qt must not hand the original to the parents
    return true;
}

}  // namespace tramex
