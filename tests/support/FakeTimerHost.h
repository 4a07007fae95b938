// A timer host for tests: a clock that moves only when told, and timers fired on demand.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/TimerHost.h"

// Timers repeat like window timers: a timer of interval N started at time T falls due at T+N,
// T+2N, ... until it is killed; SetTimer of a running id restarts it. Firing sends WM_STATE_TIMER
// (wParam = id) to the timer's target, with the clock standing at the due time.
class FakeTimerHost : public ITimerHost {
public:
    struct Start {
        IMessageTarget* target;
        uintptr_t id;
        uint32_t milliseconds;
        uint32_t tick; // the clock when the timer was started
    };

    bool SetTimer(IMessageTarget& target, uintptr_t id, uint32_t milliseconds) override;
    void KillTimer(IMessageTarget& target, uintptr_t id) override;
    uint32_t TickCount() override { return static_cast<uint32_t>(start_ + now_); }

    // Sets the clock's reading without firing anything (for example just below the 32-bit wrap).
    void SetTickCount(uint32_t tick) { start_ = tick - static_cast<uint32_t>(now_); }
    // Moves the clock forward, firing every timer that falls due on the way, in order of due time.
    void Advance(uint32_t milliseconds);
    // Moves the clock to the earliest due time and fires that timer; false when no timer runs.
    bool FireNext();

    bool IsRunning(const IMessageTarget& target, uintptr_t id) const;
    // The interval of a running timer, 0 when it does not run.
    uint32_t Interval(const IMessageTarget& target, uintptr_t id) const;
    size_t RunningCount() const { return timers_.size(); }

    // Every SetTimer call, in order.
    std::vector<Start> starts;
    unsigned kills = 0;

private:
    struct Timer {
        IMessageTarget* target;
        uintptr_t id;
        uint32_t interval;
        uint64_t due;
    };
    const Timer* Find(const IMessageTarget& target, uintptr_t id) const;
    bool FireEarliest(uint64_t limit);

    uint64_t now_ = 0;
    uint32_t start_ = 0;
    std::vector<Timer> timers_;
};
