// The real CSerialPort on Linux when its message window's event loop waits on the device itself.
#include "serial/SerialPort.h"

#include "platform/EventLoop.h"
#include "platform/LastError.h"
#include "platform/TextConversion.h"
#include "platform/UserQuestions.h"

#include "PtyPair.h"
#include "ScriptedAnswers.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <sys/resource.h>

namespace {

double ProcessCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

class SerialPortInEventLoop : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(far.IsOpen());
        port.SetMessageWindow(&window);
        ASSERT_TRUE(port.Open(FromUtf8(far.SlavePath())));
        // The guard ends a run that would otherwise wait for good.
        loop.SetTimer(guard, 1, 5000);
    }

    // Reads what waits; true when the port reported a failure.
    bool ReadAll()
    {
        uint8_t buffer[64];
        uint32_t count = 0;
        if (!port.Read(buffer, sizeof buffer, count)) {
            failures.push_back(GetLastErrorCode());
            return true;
        }
        received.append(reinterpret_cast<const char*>(buffer), count);
        return false;
    }

    PtyPair far;
    ScriptedAnswers answers{{}, ANSWER_OK};
    CEventLoop loop;
    std::function<void()> onEvent;
    std::vector<std::thread::id> eventThreads;
    std::string received;
    std::vector<uint32_t> failures;
    CEventLoop::CTarget window{loop, [this](uint32_t message, uintptr_t, intptr_t) -> intptr_t {
                                   if (message == WM_COMM_EVENT) {
                                       eventThreads.push_back(std::this_thread::get_id());
                                       if (onEvent)
                                           onEvent();
                                   }
                                   return 0;
                               }};
    CEventLoop::CTarget guard{loop, [this](uint32_t, uintptr_t, intptr_t) -> intptr_t {
                                  ADD_FAILURE() << "the loop was still waiting after 5 s";
                                  loop.Quit(1);
                                  return 0;
                              }};
    CSerialPort port;
};

TEST_F(SerialPortInEventLoop, ArrivingBytesAreAnnouncedOnTheLoopThreadWithoutAWaiterThread)
{
    EXPECT_TRUE(port.WaitForWaiterExit(0)); // no waiter thread runs
    onEvent = [&] {
        ReadAll();
        if (received == "V1.12;")
            loop.Quit(0);
    };
    std::thread sender([&] { far.Send("V1.12;"); });
    EXPECT_EQ(loop.Run(), 0);
    sender.join();
    EXPECT_EQ(received, "V1.12;");
    ASSERT_FALSE(eventThreads.empty());
    for (std::thread::id id : eventThreads)
        EXPECT_EQ(id, std::this_thread::get_id());

    // The next arrival is announced again once read.
    received.clear();
    onEvent = [&] {
        ReadAll();
        loop.Quit(0);
    };
    ASSERT_TRUE(far.Send(";"));
    EXPECT_EQ(loop.Run(), 0);
    EXPECT_EQ(received, ";");
}

TEST_F(SerialPortInEventLoop, AHangUpIsLeftToTheNextReadWithoutTheLoopSpinningOnIt)
{
    far.HangUp();
    CEventLoop::CTarget after(loop, [&](uint32_t, uintptr_t, intptr_t) -> intptr_t {
        loop.Quit(0);
        return 0;
    });
    loop.SetTimer(after, 2, 300);
    const double cpuBefore = ProcessCpuSeconds();
    EXPECT_EQ(loop.Run(), 0);
    // A hung-up device polls ready for good: watched on, it would have kept the loop busy.
    EXPECT_LT(ProcessCpuSeconds() - cpuBefore, 0.15);
    EXPECT_TRUE(eventThreads.empty());
    EXPECT_TRUE(port.IsOpen());

    EXPECT_TRUE(ReadAll());
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0], ERROR_CODE_ACCESS_DENIED);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(answers.asked.size(), 1u); // the one "COM Port Error" box
}

TEST_F(SerialPortInEventLoop, ClosingThePortWhileHandlingItsEventIsSafeAndTheLoopGoesOn)
{
    onEvent = [&] {
        ReadAll();
        port.Close(); // destroys the device whose announcement is being handled
    };
    ASSERT_TRUE(far.Send("A"));
    CEventLoop::CTarget after(loop, [&](uint32_t, uintptr_t, intptr_t) -> intptr_t {
        loop.Quit(0);
        return 0;
    });
    loop.SetTimer(after, 2, 100);
    EXPECT_EQ(loop.Run(), 0);
    EXPECT_EQ(received, "A");
    EXPECT_EQ(eventThreads.size(), 1u);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_TRUE(far.SlaveClosed());
}

} // namespace
