// The event loop: sends, posts from other threads, repeating timers, restarts and kills, quitting.
#include "platform/EventLoop.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

namespace {

constexpr uint32_t WM_TEST = 0x8400;
constexpr uint32_t WM_TEST_QUIT = 0x8401;

TEST(EventLoop, SendCallsTheHandlerAtOnceAndReturnsItsResult)
{
    CEventLoop loop;
    ASSERT_TRUE(loop.IsValid());
    std::vector<uintptr_t> seen;
    CEventLoop::CTarget target(loop, [&](uint32_t message, uintptr_t wParam, intptr_t lParam) -> intptr_t {
        seen.push_back(wParam);
        return message == WM_TEST ? lParam * 2 : 0;
    });
    ASSERT_TRUE(target.IsValid());
    EXPECT_EQ(target.Send(WM_TEST, 7, 21), 42);
    EXPECT_EQ(seen, std::vector<uintptr_t>{7});
}

TEST(EventLoop, MessagesPostedFromAnotherThreadArriveInOrderOnTheLoopThread)
{
    CEventLoop loop;
    const auto loopThread = std::this_thread::get_id();
    std::vector<uintptr_t> received;
    bool allOnLoopThread = true;
    CEventLoop::CTarget target(loop, [&](uint32_t message, uintptr_t wParam, intptr_t) -> intptr_t {
        allOnLoopThread = allOnLoopThread && std::this_thread::get_id() == loopThread;
        if (message == WM_TEST)
            received.push_back(wParam);
        else if (message == WM_TEST_QUIT)
            loop.Quit(5);
        return 0;
    });
    constexpr uintptr_t count = 500;
    std::thread poster([&] {
        for (uintptr_t i = 0; i < count; ++i)
            target.Post(WM_TEST, i, 0);
        target.Post(WM_TEST_QUIT, 0, 0);
    });
    EXPECT_EQ(loop.Run(), 5);
    poster.join();
    ASSERT_EQ(received.size(), count);
    for (uintptr_t i = 0; i < count; ++i)
        ASSERT_EQ(received[i], i);
    EXPECT_TRUE(allOnLoopThread);
}

TEST(EventLoop, AQuitBeforeRunEndsRunAtOnceAndTheLoopRunsAgainAfterwards)
{
    CEventLoop loop;
    loop.Quit(3);
    EXPECT_EQ(loop.Run(), 3);
    CEventLoop::CTarget target(loop, [&](uint32_t, uintptr_t, intptr_t) -> intptr_t {
        loop.Quit(4);
        return 0;
    });
    target.Post(WM_TEST, 0, 0);
    EXPECT_EQ(loop.Run(), 4);
}

TEST(EventLoop, ATimerRepeatsUntilKilled)
{
    CEventLoop loop;
    int fired = 0;
    CEventLoop::CTarget* self = nullptr;
    CEventLoop::CTarget target(loop, [&](uint32_t message, uintptr_t id, intptr_t) -> intptr_t {
        if (message != WM_STATE_TIMER)
            return 0;
        if (id == 1 && ++fired == 3) {
            loop.KillTimer(*self, 1);
            loop.SetTimer(*self, 2, 60); // long enough for a fourth tick of timer 1 to show
        } else if (id == 2) {
            loop.Quit(0);
        }
        return 0;
    });
    self = &target;
    ASSERT_TRUE(loop.SetTimer(target, 1, 5));
    loop.Run();
    EXPECT_EQ(fired, 3);
}

TEST(EventLoop, SetTimerOfARunningIdRestartsItWithTheNewInterval)
{
    CEventLoop loop;
    CEventLoop::CTarget target(loop, [&](uint32_t message, uintptr_t id, intptr_t) -> intptr_t {
        if (message == WM_STATE_TIMER)
            loop.Quit(static_cast<int>(id));
        return 0;
    });
    ASSERT_TRUE(loop.SetTimer(target, 1, 600'000));
    ASSERT_TRUE(loop.SetTimer(target, 2, 10'000)); // the guard: ends the test if the restart failed
    ASSERT_TRUE(loop.SetTimer(target, 1, 1));
    EXPECT_EQ(loop.Run(), 1);
}

TEST(EventLoop, AKilledTimerNeverFires)
{
    CEventLoop loop;
    std::vector<uintptr_t> fired;
    CEventLoop::CTarget target(loop, [&](uint32_t message, uintptr_t id, intptr_t) -> intptr_t {
        if (message == WM_STATE_TIMER) {
            fired.push_back(id);
            loop.Quit(0);
        }
        return 0;
    });
    ASSERT_TRUE(loop.SetTimer(target, 1, 1));
    loop.KillTimer(target, 1);
    ASSERT_TRUE(loop.SetTimer(target, 2, 40));
    loop.Run();
    EXPECT_EQ(fired, std::vector<uintptr_t>{2});
}

TEST(EventLoop, TimersOfTheSameIdOnTwoTargetsAreIndependent)
{
    CEventLoop loop;
    std::vector<int> fired;
    CEventLoop::CTarget first(loop, [&](uint32_t message, uintptr_t, intptr_t) -> intptr_t {
        if (message == WM_STATE_TIMER)
            fired.push_back(1);
        return 0;
    });
    CEventLoop::CTarget second(loop, [&](uint32_t message, uintptr_t, intptr_t) -> intptr_t {
        if (message == WM_STATE_TIMER) {
            fired.push_back(2);
            loop.Quit(0);
        }
        return 0;
    });
    ASSERT_TRUE(loop.SetTimer(first, 23, 1));
    ASSERT_TRUE(loop.SetTimer(second, 23, 100));
    loop.KillTimer(first, 23);
    loop.Run();
    EXPECT_EQ(fired, std::vector<int>{2});
}

TEST(EventLoop, ADestroyedTargetReceivesNothingOfWhatWasQueuedForIt)
{
    CEventLoop loop;
    std::vector<uint32_t> gone;
    auto doomed = std::make_unique<CEventLoop::CTarget>(loop, [&](uint32_t message, uintptr_t, intptr_t) -> intptr_t {
        gone.push_back(message);
        return 0;
    });
    CEventLoop::CTarget survivor(loop, [&](uint32_t, uintptr_t, intptr_t) -> intptr_t {
        loop.Quit(0);
        return 0;
    });
    doomed->Post(WM_TEST, 0, 0);
    ASSERT_TRUE(loop.SetTimer(*doomed, 1, 1));
    doomed.reset();
    ASSERT_TRUE(loop.SetTimer(survivor, 1, 30));
    loop.Run();
    EXPECT_TRUE(gone.empty());
}

TEST(EventLoop, TheTickCountAdvancesAcrossATimerInterval)
{
    CEventLoop loop;
    uint32_t elapsed = 0;
    const uint32_t started = loop.TickCount();
    CEventLoop::CTarget target(loop, [&](uint32_t message, uintptr_t, intptr_t) -> intptr_t {
        if (message == WM_STATE_TIMER) {
            elapsed = loop.TickCount() - started;
            loop.Quit(0);
        }
        return 0;
    });
    ASSERT_TRUE(loop.SetTimer(target, 1, 50));
    loop.Run();
    // A lower bound only: the system may be slow, never early by more than its tick granularity.
    EXPECT_GE(elapsed, 30u);
}

} // namespace
