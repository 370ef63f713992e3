#pragma once
// The event pump inside long commands, and the guard that keeps a command from
// being entered again while the pump runs.

namespace platform {

// Lets pending events run (painting, timers, queued work) while user input
// waits, so no click or keystroke can start a command inside a running one.
void PumpEvents();

// Holds a flag set for as long as it lives.
class ScopedFlag {
public:
    explicit ScopedFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~ScopedFlag() { flag_ = false; }
    ScopedFlag(const ScopedFlag&) = delete;
    ScopedFlag& operator=(const ScopedFlag&) = delete;

private:
    bool& flag_;
};

}  // namespace platform
