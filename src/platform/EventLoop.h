// The one-thread event loop: message targets, posted messages and repeating timers, delivered in order.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/MessageTarget.h"
#include "platform/TimerHost.h"

// Runs on the thread that created it. Posted messages and timer messages are delivered on that
// thread, one at a time, posted messages first in the order they were posted, then due timers.
// On Windows the targets are message-only windows and the loop is the thread's message loop, so
// window timers and window messages of other windows on the thread are dispatched by it too.
// Elsewhere it is a poll loop with a wake-up descriptor and a timer queue.
//
// As the ITimerHost, SetTimer/KillTimer work like window timers: a started timer sends
// WM_STATE_TIMER (wParam = id) to its target every interval until killed; SetTimer of a running
// id restarts it with the new interval. Timers are started and killed on the loop's thread.
class CEventLoop : public ITimerHost {
public:
    // A target's handler receives every message sent or posted to it and every timer message.
    using Handler = std::function<intptr_t(uint32_t message, uintptr_t wParam, intptr_t lParam)>;

    // A message target owned by its creator. Send calls the handler at once on the calling
    // (loop) thread; Post queues the message for the loop and may be called from any thread.
    // Destroying a target drops its queued messages and stops its timers.
    class CTarget : public IMessageTarget {
    public:
        CTarget(CEventLoop& loop, Handler handler);
        ~CTarget() override;
        CTarget(const CTarget&) = delete;
        CTarget& operator=(const CTarget&) = delete;

        // False when the platform refused to create the target (the reason is in the last error).
        bool IsValid() const;

        intptr_t Send(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
        bool Post(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
        void* NativeHandle() override;
        IReadinessWatch* ReadinessWatch() override;

        // Called by the loop (and on Windows by the target's window procedure).
        intptr_t Dispatch(uint32_t message, uintptr_t wParam, intptr_t lParam);

    private:
        struct Impl;
        CEventLoop& loop_;
        Handler handler_;
        std::unique_ptr<Impl> impl_;
    };

    CEventLoop();
    ~CEventLoop() override;
    CEventLoop(const CEventLoop&) = delete;
    CEventLoop& operator=(const CEventLoop&) = delete;

    // False when the loop's wake-up descriptor could not be created (the reason is in the last error).
    bool IsValid() const;

    // Delivers messages and timers until Quit; returns the code given to Quit. A Quit that came
    // before Run makes Run return at once, like a quit message already in the queue.
    int Run();
    // Ends Run with the code; callable from any thread.
    void Quit(int code);

    bool SetTimer(IMessageTarget& target, uintptr_t id, uint32_t milliseconds) override;
    void KillTimer(IMessageTarget& target, uintptr_t id) override;
    uint32_t TickCount() override;

private:
    friend class CTarget;
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
