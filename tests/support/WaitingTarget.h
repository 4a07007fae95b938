// A thread-safe message target that records every message and lets a test wait for posted ones.
#pragma once
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "RecordingTarget.h"

// Messages may be posted from any thread (a serial port's waiter thread) and sent from the test's
// own thread. A test waits for a message with a deadline instead of sleeping.
class WaitingTarget : public IMessageTarget {
public:
    intptr_t Send(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    bool Post(uint32_t message, uintptr_t wParam, intptr_t lParam) override;

    // Waits until at least `count` messages with this number have arrived; false when the deadline passes first.
    bool WaitFor(uint32_t message, size_t count = 1, std::chrono::milliseconds timeout = std::chrono::seconds(5));

    // A copy of everything recorded so far, in arrival order.
    std::vector<RecordedMessage> Messages() const;
    size_t Count(uint32_t message) const;
    // The texts of the recorded report messages with this number.
    std::vector<std::wstring> Texts(uint32_t message) const;
    // The arrival times of the messages with this number.
    std::vector<std::chrono::steady_clock::time_point> Arrivals(uint32_t message) const;
    void Clear();

private:
    void Record(RecordedMessage message);

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<RecordedMessage> messages_;
    std::vector<std::chrono::steady_clock::time_point> arrivals_;
};
