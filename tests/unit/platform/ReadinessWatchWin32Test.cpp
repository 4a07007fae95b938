// The Windows event loop's look-out for an expected answer: the device is asked to look only around its due time.
#include "platform/EventLoop.h"
#include "platform/ReadinessWatch.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

uint64_t NowNs()
{
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count());
}

// Expects an answer at a given moment and counts the loop's requests to look.
struct LookingClient : IReadinessClient {
    uint64_t dueNs = 0;
    int looks = 0;
    int lateLooks = 0; // 20 ms and more after the due time
    Clock::time_point firstLook;
    bool ended = false;

    bool WantsReadiness(ReadinessWish& wish) override
    {
        wish.answerDueNs = dueNs;
        return true;
    }
    void OnReadiness(short events) override
    {
        EXPECT_EQ(events, 0);
        if (looks++ == 0)
            firstLook = Clock::now();
        if (NowNs() >= dueNs + 20'000'000)
            ++lateLooks;
    }
    void OnWatchEnded() override { ended = true; }
};

TEST(ReadinessWatchWin32, TheLoopLooksOutOnlyAroundTheDueTime)
{
    CEventLoop loop;
    CEventLoop::CTarget guard(loop, [&](uint32_t message, uintptr_t, intptr_t) -> intptr_t {
        if (message == WM_STATE_TIMER)
            loop.Quit(0);
        return 0;
    });
    IReadinessWatch* watch = guard.ReadinessWatch();
    ASSERT_NE(watch, nullptr);
    LookingClient client;
    const auto start = Clock::now();
    client.dueNs = NowNs() + 60'000'000;
    ASSERT_TRUE(watch->Watch(-1, client));
    ASSERT_TRUE(loop.SetTimer(guard, 1, 200));
    EXPECT_EQ(loop.Run(), 0);
    watch->Unwatch(client);

    // Woken for the due time, not long before it (a loaded machine may wake it late, never early),
    // and asleep again after the stretch: a loop still awake would have looked hundreds of times.
    EXPECT_GE(client.looks, 1) << "the loop did not look out at the due time";
    EXPECT_GE(client.firstLook - start, std::chrono::milliseconds(55));
    EXPECT_LE(client.lateLooks, 3);
}

TEST(ReadinessWatchWin32, ALoopThatGoesAwayTellsTheClientsStillWatching)
{
    LookingClient client;
    {
        CEventLoop loop;
        CEventLoop::CTarget target(loop, nullptr);
        ASSERT_TRUE(target.ReadinessWatch()->Watch(-1, client));
    }
    EXPECT_TRUE(client.ended);
}

} // namespace
