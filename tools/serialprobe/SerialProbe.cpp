// mt6402serialprobe: measures the serial port's waiter thread: CPU use while idle, and the delay from a
// byte's arrival to its WM_COMM_EVENT. Prints figures; asserts nothing.
//
//   mt6402serialprobe PORT PEER [--idle-seconds N] [--samples N]
//
// PORT is the port under test, PEER the other end of the same line (a second COM port, or the other
// side of a pseudo-terminal pair), through which the probe sends the bytes it times.
#include "ProcessCpu.h"

#include "platform/TextConversion.h"
#include "serial/SerialPort.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using Clock = std::chrono::steady_clock;

namespace {

// Records when each WM_COMM_EVENT was posted; report lines go to standard error.
class ProbeTarget : public IMessageTarget {
public:
    intptr_t Send(uint32_t message, uintptr_t, intptr_t lParam) override
    {
        if ((message == WM_REPORT_TEXT || message == WM_VERBOSE_TEXT) && lParam)
            std::fprintf(stderr, "%s\n", ToUtf8(reinterpret_cast<const wchar_t*>(lParam)).c_str());
        return 0;
    }
    bool Post(uint32_t message, uintptr_t, intptr_t) override
    {
        if (message == WM_COMM_EVENT) {
            std::lock_guard<std::mutex> lock(mutex_);
            events_.push_back(Clock::now());
            changed_.notify_all();
        }
        return true;
    }
    size_t Count()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return events_.size();
    }
    // Waits for event number `count` (1-based); its time, or nothing after the timeout.
    bool WaitFor(size_t count, Clock::time_point& when, std::chrono::milliseconds timeout)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!changed_.wait_for(lock, timeout, [&] { return events_.size() >= count; }))
            return false;
        when = events_[count - 1];
        return true;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Clock::time_point> events_;
};

void Drain(CSerialPort& port)
{
    uint8_t buffer[256];
    uint32_t received = 0;
    while (port.Read(buffer, sizeof(buffer), received) && received > 0) {
    }
}

double Milliseconds(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: mt6402serialprobe PORT PEER [--idle-seconds N] [--samples N]\n");
        return 2;
    }
    int idleSeconds = 10;
    int samples = 50;
    for (int i = 3; i + 1 < argc; i += 2) {
        std::string option = argv[i];
        if (option == "--idle-seconds")
            idleSeconds = std::max(1, std::atoi(argv[i + 1]));
        else if (option == "--samples")
            samples = std::max(1, std::atoi(argv[i + 1]));
    }

    // The process's CPU use without an open port, as the baseline.
    uint64_t cpuBefore = ProcessCpuMicroseconds();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    uint64_t baseline = ProcessCpuMicroseconds() - cpuBefore;

    ProbeTarget window, peerWindow;
    CSerialPort port, peer;
    port.SetMessageWindow(&window);
    peer.SetMessageWindow(&peerWindow);
    if (!port.Open(FromUtf8(argv[1]))) {
        std::fprintf(stderr, "mt6402serialprobe: cannot open %s\n", argv[1]);
        return 1;
    }

    // Idle: only the port open, nothing arriving; this thread sleeps, so the CPU time is the waiter's.
    auto wallStart = Clock::now();
    cpuBefore = ProcessCpuMicroseconds();
    std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
    uint64_t idleCpu = ProcessCpuMicroseconds() - cpuBefore;
    double wall = Milliseconds(Clock::now() - wallStart);
    std::printf("idle: %.3f%% of one core (%llu us CPU in %.0f ms; baseline without a port %llu us/s); "
                "%zu events while idle\n",
                100.0 * static_cast<double>(idleCpu) / 1000.0 / wall, static_cast<unsigned long long>(idleCpu),
                wall, static_cast<unsigned long long>(baseline), window.Count());

    // Delay: one byte at a time from the peer, after a quiet spell so the waiter is idle again.
    if (!peer.Open(FromUtf8(argv[2]))) {
        std::fprintf(stderr, "mt6402serialprobe: cannot open %s\n", argv[2]);
        return 1;
    }
    std::vector<double> delays;
    for (int i = 0; i < samples; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20 + (i * 7) % 31));
        size_t next = window.Count() + 1;
        auto sent = Clock::now();
        if (!peer.WriteText(L";"))
            break;
        Clock::time_point announced;
        if (!window.WaitFor(next, announced, std::chrono::seconds(2))) {
            std::printf("sample %d: no WM_COMM_EVENT within 2 s\n", i);
            continue;
        }
        delays.push_back(Milliseconds(announced - sent));
        Drain(port);
    }
    if (!delays.empty()) {
        std::sort(delays.begin(), delays.end());
        double sum = 0;
        for (double d : delays)
            sum += d;
        std::printf("delay from write to WM_COMM_EVENT over %zu samples: min %.2f ms, median %.2f ms, "
                    "mean %.2f ms, 90th %.2f ms, max %.2f ms\n",
                    delays.size(), delays.front(), delays[delays.size() / 2], sum / static_cast<double>(delays.size()),
                    delays[delays.size() * 9 / 10], delays.back());
    }
    return 0;
}
