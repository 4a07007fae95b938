// A timer host for tests: a clock that moves only when told, and timers fired on demand.
#include "FakeTimerHost.h"

#include <algorithm>

#include "platform/MessageTarget.h"

bool FakeTimerHost::SetTimer(IMessageTarget& target, uintptr_t id, uint32_t milliseconds)
{
    starts.push_back({&target, id, milliseconds, TickCount()});
    // Like window timers, a zero interval still waits a little rather than firing without end.
    const uint32_t interval = std::max<uint32_t>(milliseconds, 1);
    for (Timer& t : timers_) {
        if (t.target == &target && t.id == id) {
            t.interval = interval;
            t.due = now_ + interval;
            return true;
        }
    }
    timers_.push_back({&target, id, interval, now_ + interval});
    return true;
}

void FakeTimerHost::KillTimer(IMessageTarget& target, uintptr_t id)
{
    ++kills;
    std::erase_if(timers_, [&](const Timer& t) { return t.target == &target && t.id == id; });
}

void FakeTimerHost::Advance(uint32_t milliseconds)
{
    const uint64_t end = now_ + milliseconds;
    while (FireEarliest(end)) {
    }
    now_ = end;
}

bool FakeTimerHost::FireNext() { return FireEarliest(UINT64_MAX); }

bool FakeTimerHost::FireEarliest(uint64_t limit)
{
    auto earliest = std::min_element(timers_.begin(), timers_.end(),
                                     [](const Timer& a, const Timer& b) { return a.due < b.due; });
    if (earliest == timers_.end() || earliest->due > limit)
        return false;
    now_ = earliest->due;
    earliest->due += earliest->interval;
    // The handler may start or kill timers, so nothing of the list is used after the send.
    IMessageTarget* target = earliest->target;
    const uintptr_t id = earliest->id;
    target->Send(WM_STATE_TIMER, id, 0);
    return true;
}

const FakeTimerHost::Timer* FakeTimerHost::Find(const IMessageTarget& target, uintptr_t id) const
{
    for (const Timer& t : timers_)
        if (t.target == &target && t.id == id)
            return &t;
    return nullptr;
}

bool FakeTimerHost::IsRunning(const IMessageTarget& target, uintptr_t id) const { return Find(target, id) != nullptr; }

uint32_t FakeTimerHost::Interval(const IMessageTarget& target, uintptr_t id) const
{
    const Timer* t = Find(target, id);
    return t ? t->interval : 0;
}
