// Keeps the window responsive while the main thread waits on the network: the
// transport gives it idle and busy turns, and a turn processes pending messages.
#pragma once

namespace tramex {

// The window side: processes pending window messages (implemented with the
// windows; tests use a counting fake).
class MessagePump {
  public:
    virtual ~MessagePump() = default;
    virtual void ProcessAllPendingMessages() = 0;
    virtual void ProcessOnePendingMessage() = 0;
    virtual bool IsMainThread() const = 0;
};

class TAntiFreeze {
  public:
    // Raises tramex::Error when another instance exists.
    explicit TAntiFreeze(MessagePump& pump);
    ~TAntiFreeze();
    TAntiFreeze(const TAntiFreeze&) = delete;
    TAntiFreeze& operator=(const TAntiFreeze&) = delete;

    bool Active = true;
    int IdleSlice = 250;   // ms of one wait slice
    bool IdleOnly = true;  // busy turns process nothing
    bool ProcessAllMessages = true;

    // The live instance, or nullptr.
    static TAntiFreeze* Instance();
    // True when an instance exists, is active and the caller is the main thread.
    static bool InForce();
    // IdleSlice of the instance in force, or 0 when none is.
    static int CurrentIdleSlice();
    // A turn after a wait that brought nothing: processes when in force.
    static void IdleTurn();
    // A turn after a send or a wait that brought data: processes only when
    // in force and IdleOnly is false.
    static void BusyTurn();

  private:
    void Process();
    MessagePump& pump_;
};

}  // namespace tramex
