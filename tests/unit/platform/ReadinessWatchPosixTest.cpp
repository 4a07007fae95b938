// The Linux event loop waiting on devices itself: readiness delivered at once, the clients' wishes, unwatching mid-round.
#include "platform/EventLoop.h"
#include "platform/ReadinessWatch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include <poll.h>
#include <unistd.h>

namespace {

// Both ends of a pipe, closed at the end.
struct Pipe {
    int read = -1;
    int write = -1;
    Pipe()
    {
        int ends[2];
        if (::pipe(ends) == 0) {
            read = ends[0];
            write = ends[1];
        }
    }
    ~Pipe()
    {
        ::close(read);
        ::close(write);
    }
    void Put(char c) const { ASSERT_EQ(::write(write, &c, 1), 1); }
    char Take() const
    {
        char c = 0;
        EXPECT_EQ(::read(read, &c, 1), 1);
        return c;
    }
};

// A client whose answers and reactions the test sets.
struct Client : IReadinessClient {
    bool wants = true;
    ReadinessWish wish;
    int asked = 0;
    int ready = 0;
    short lastEvents = 0;
    bool ended = false;
    std::function<void()> onReady;

    bool WantsReadiness(ReadinessWish& out) override
    {
        ++asked;
        out = wish;
        return wants;
    }
    void OnReadiness(short events) override
    {
        ++ready;
        lastEvents = events;
        if (onReady)
            onReady();
    }
    void OnWatchEnded() override { ended = true; }
};

class ReadinessWatchTest : public ::testing::Test {
protected:
    CEventLoop loop;
    CEventLoop::CTarget target{loop, nullptr};
    IReadinessWatch* watch = target.ReadinessWatch();
    Pipe pipe;

    // Ends Run after `ms` in any case, so that a fault shows as a failed expectation, not a hang.
    void RunAtMost(uint32_t ms)
    {
        CEventLoop::CTarget guard(loop, [this](uint32_t message, uintptr_t, intptr_t) -> intptr_t {
            if (message == WM_STATE_TIMER)
                loop.Quit(1);
            return 0;
        });
        loop.SetTimer(guard, 1, ms);
        loop.Run();
    }
};

TEST_F(ReadinessWatchTest, AReadableDeviceIsHandedToItsClientOnTheLoopThread)
{
    ASSERT_NE(watch, nullptr);
    Client client;
    std::thread::id seenOn;
    client.onReady = [&] {
        seenOn = std::this_thread::get_id();
        EXPECT_EQ(pipe.Take(), 'x');
        loop.Quit(0);
    };
    ASSERT_TRUE(watch->Watch(pipe.read, client));
    std::thread writer([&] { pipe.Put('x'); });
    RunAtMost(5000);
    writer.join();
    EXPECT_EQ(client.ready, 1);
    EXPECT_TRUE(client.lastEvents & POLLIN);
    EXPECT_EQ(seenOn, std::this_thread::get_id());
    watch->Unwatch(client);
}

TEST_F(ReadinessWatchTest, AClientThatDoesNotWantReadinessIsAskedAgainWhenItsLookAgainTimeIsUp)
{
    Client client;
    client.wants = false;
    client.wish.lookAgainMs = 20;
    pipe.Put('x'); // readable all along, yet not wanted
    client.onReady = [&] { loop.Quit(0); };
    ASSERT_TRUE(watch->Watch(pipe.read, client));
    RunAtMost(200);
    EXPECT_EQ(client.ready, 0);
    // Nothing else wakes the loop before the 200 ms guard: only the client's look-again time does.
    EXPECT_GE(client.asked, 3);
    client.wants = true;
    RunAtMost(5000);
    EXPECT_EQ(client.ready, 1);
    watch->Unwatch(client);
}

TEST_F(ReadinessWatchTest, AClientUnwatchedByAnotherInTheSameRoundHearsNothingMore)
{
    Pipe second;
    Client first, other;
    first.onReady = [&] {
        watch->Unwatch(other);
        loop.Quit(0);
    };
    other.onReady = [&] { ADD_FAILURE() << "an unwatched client was called"; };
    ASSERT_TRUE(watch->Watch(pipe.read, first));
    ASSERT_TRUE(watch->Watch(second.read, other));
    pipe.Put('x');
    second.Put('y'); // both ready in the same round
    RunAtMost(5000);
    EXPECT_EQ(first.ready, 1);
    EXPECT_EQ(other.ready, 0);
    watch->Unwatch(first);
}

TEST_F(ReadinessWatchTest, AClientMayUnwatchAndDestroyItselfWhileCalled)
{
    auto client = std::make_unique<Client>();
    bool called = false;
    // The handler lives in the client: nothing captured is touched once the client is gone.
    client->onReady = [&] {
        called = true;
        loop.Quit(0);
        watch->Unwatch(*client);
        client.reset();
    };
    ASSERT_TRUE(watch->Watch(pipe.read, *client));
    pipe.Put('x');
    RunAtMost(5000);
    EXPECT_TRUE(called);
    EXPECT_EQ(client, nullptr);
}

TEST(ReadinessWatch, ALoopThatGoesAwayTellsTheClientsStillWatching)
{
    Pipe pipe;
    Client client;
    {
        CEventLoop loop;
        CEventLoop::CTarget target(loop, nullptr);
        ASSERT_TRUE(target.ReadinessWatch()->Watch(pipe.read, client));
    }
    EXPECT_TRUE(client.ended);
}

TEST_F(ReadinessWatchTest, AnExpectedAnswerKeepsTheLoopAwakeOnlyAroundItsDueTime)
{
    using Clock = std::chrono::steady_clock;
    auto nowNs = [] {
        return static_cast<uint64_t>(
            std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count());
    };
    Clock::time_point lastAsked;
    struct Asking : Client {
        Clock::time_point* last = nullptr;
        bool WantsReadiness(ReadinessWish& out) override
        {
            *last = Clock::now();
            return Client::WantsReadiness(out);
        }
    } asking;
    asking.last = &lastAsked;
    // Due in 40 ms: the loop sleeps until shortly before, then asks on every round while awake,
    // and after the awake stretch sleeps again until the guard ends the run at 120 ms.
    asking.wish.answerDueNs = nowNs() + 40'000'000;
    const auto start = Clock::now();
    ASSERT_TRUE(watch->Watch(pipe.read, asking));
    RunAtMost(120);
    // Woken for the due time (a loaded machine may wake it late, never early); a loop still awake
    // long after it would have asked until the guard ended the run.
    EXPECT_GE(asking.asked, 2) << "the loop was not woken for the due time";
    EXPECT_GE(lastAsked - start, std::chrono::milliseconds(39));
    EXPECT_LT(lastAsked - start, std::chrono::milliseconds(100)) << "still awake long after the due time";
    EXPECT_EQ(asking.ready, 0);
    watch->Unwatch(asking);
}

} // namespace
