// Paces the waiter thread's WM_COMM_EVENT posts: at most one outstanding, re-armed by the next read.
#pragma once
#include <atomic>
#include <cstdint>

// Some drivers signal "character received" again and again while unread bytes wait. So that the
// message queue is never flooded, the waiter posts one WM_COMM_EVENT and then waits until the receiver
// has read (Rearm, on the user-interface thread) before it announces bytes again. So that a receiver
// that does not read cannot stall the events for good, the gate also re-arms itself after a short
// time-out. Times are milliseconds of a steady clock; they may wrap around.
class CCommEventGate {
public:
    static constexpr uint32_t kRearmTimeoutMs = 20;

    // Waiter thread: whether an event may be posted at `nowMs`.
    bool MayPost(uint32_t nowMs) const;
    // Waiter thread: how long to wait for a re-arm before MayPost turns true by the time-out; 0 when it is.
    uint32_t MillisecondsUntilRearm(uint32_t nowMs) const;
    // Waiter thread: marks an event outstanding. Call it before posting, so that a read that follows
    // the post at once cannot be overtaken; call Rearm if the post fails.
    void Posted(uint32_t nowMs);
    bool Outstanding() const { return outstanding_.load(std::memory_order_acquire); }

    // Any thread: the receiver has read (or purged); the next arrival may be announced at once.
    void Rearm() { outstanding_.store(false, std::memory_order_release); }

    // The steady clock the port's threads use, in milliseconds.
    static uint32_t Now();

private:
    std::atomic<bool> outstanding_{false};
    std::atomic<uint32_t> postedAt_{0};
};
