// The anti-freeze's window side with Qt: processes the events pending for the
// main thread while the FTP client waits on the network.
#pragma once

#include "transfer/AntiFreeze.h"

namespace tramex {

class GuiMessagePump : public MessagePump {
  public:
    void ProcessAllPendingMessages() override;
    void ProcessOnePendingMessage() override;
    bool IsMainThread() const override;
};

}  // namespace tramex
