// Qt's event processing behind the anti-freeze's turns.
#include "app/GuiMessagePump.h"

#include "common/Interruption.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QThread>

namespace tramex {

// A stop requested while the client waits on the network ends the wait
// here, after the window had its turn.
void GuiMessagePump::ProcessAllPendingMessages() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    interruption::ThrowIfRequested();
}

// Qt has no call for exactly one event; one pass of the dispatcher, without
// waiting for more, is the smallest unit it offers.
void GuiMessagePump::ProcessOnePendingMessage() {
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
        dispatcher->processEvents(QEventLoop::AllEvents);
    }
    interruption::ThrowIfRequested();
}

bool GuiMessagePump::IsMainThread() const {
    return qApp && QThread::currentThread() == qApp->thread();
}

}  // namespace tramex
