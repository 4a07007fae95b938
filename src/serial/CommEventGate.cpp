// The pacing rule of the waiter thread's WM_COMM_EVENT posts.
#include "serial/CommEventGate.h"

#include <chrono>

bool CCommEventGate::MayPost(uint32_t nowMs) const
{
    return MillisecondsUntilRearm(nowMs) == 0;
}

uint32_t CCommEventGate::MillisecondsUntilRearm(uint32_t nowMs) const
{
    if (!Outstanding())
        return 0;
    uint32_t elapsed = nowMs - postedAt_.load(std::memory_order_acquire); // wraps like the clock
    return elapsed >= kRearmTimeoutMs ? 0 : kRearmTimeoutMs - elapsed;
}

void CCommEventGate::Posted(uint32_t nowMs)
{
    postedAt_.store(nowMs, std::memory_order_release);
    outstanding_.store(true, std::memory_order_release);
}

uint32_t CCommEventGate::Now()
{
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
