// Qt's event processing behind the anti-freeze's turns.
#include "app/GuiMessagePump.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QThread>

namespace tramex {

void GuiMessagePump::ProcessAllPendingMessages() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// Qt has no call for exactly one event; one pass of the dispatcher, without
// waiting for more, is the smallest unit it offers.
void GuiMessagePump::ProcessOnePendingMessage() {
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
        dispatcher->processEvents(QEventLoop::AllEvents);
    }
}

bool GuiMessagePump::IsMainThread() const {
    return qApp && QThread::currentThread() == qApp->thread();
}

}  // namespace tramex
