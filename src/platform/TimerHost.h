// Timers with an identifier on a message target, and the millisecond tick count.
#pragma once
#include <cstdint>

class IMessageTarget;

// A started timer delivers WM_STATE_TIMER (wParam = id) to its target every `milliseconds`
// until it is killed, like a window timer; starting it again restarts it.
class ITimerHost {
public:
    virtual ~ITimerHost() = default;
    virtual bool SetTimer(IMessageTarget& target, uintptr_t id, uint32_t milliseconds) = 0;
    virtual void KillTimer(IMessageTarget& target, uintptr_t id) = 0;
    // Milliseconds since an arbitrary start; wraps around like the system's 32-bit tick count.
    virtual uint32_t TickCount() = 0;
};
