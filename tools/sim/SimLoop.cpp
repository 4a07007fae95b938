// The simulator's main loop.
#include "SimLoop.h"

#include "Printable.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <limits>

#include <poll.h>
#include <sched.h>
#include <sys/prctl.h>
#include <time.h>
#include <unistd.h>

namespace {
// The loop wakes at least this often, for the roles' ticks and for the hang-up and linger clocks.
constexpr int kTickMs = 10;
constexpr uint64_t kNsPerMs = 1'000'000;
// With wire time, a sleep until a reply's moment would add the kernel's wake-up delay (tens of
// microseconds, more on a busy machine) to the emulated line: the loop sleeps until this long before
// it and stays awake for the rest.
constexpr uint64_t kSpinBeforeSendNs = 200'000;
// A module's receiver hears a byte the moment it comes; a simulator woken from sleep by it would
// charge its own wake-up delay to the program's turnaround. So after sending, when the program's
// answer may come at once, the loop stays awake this long. Awake, it yields the processor on every
// round: spinning without yielding kept the terminal's own kernel work (which passes the program's
// bytes on) off the processor and slowed the very program it waited for.
constexpr uint64_t kAwakeAfterSendNs = 1'000'000;
} // namespace

CSimLoop::CSimLoop(CPseudoTerminal& terminal, const SimOptions& options)
    : terminal_(terminal), options_(options), wire_(options.baud), firmware_(options.firmware),
      loader_(options.loader, firmware_, stats_, options.firmware.silent, options.log),
      current_(options.loader.startInLoader ? static_cast<ISimRole*>(&loader_) : &firmware_)
{
}

uint64_t CSimLoop::Now()
{
    return NowNs() / kNsPerMs;
}

uint64_t CSimLoop::NowNs()
{
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count());
}

ISimRole& CSimLoop::Role(SimRoleId role)
{
    switch (role) {
    case SimRoleId::Firmware:
        break;
    case SimRoleId::Loader:
        return loader_;
    }
    return firmware_;
}

void CSimLoop::SwitchTo(SimRoleId role)
{
    current_ = &Role(role);
    current_->Enter(Now());
    if (options_.log)
        std::fprintf(stderr, "mt6402sim: now the %s\n", current_->Name());
}

void CSimLoop::HangUp()
{
    hangUpRequested_ = true;
}

void CSimLoop::Send(std::string_view bytes)
{
    Log("tx", bytes);
    wire_.Send(bytes, eventNs_);
    Transmit(NowNs());
}

void CSimLoop::Transmit(uint64_t nowNs)
{
    uint64_t dueNs = 0;
    if (wire_.TakeSendable(nowNs, pending_, &dueNs) == 0)
        return;
    const uint64_t beforeNs = NowNs();
    Flush();
    if (wire_.Paced() && pending_.empty())
        stats_.sendLatenessNs.push_back(beforeNs - dueNs);
}

void CSimLoop::Flush()
{
    while (!pending_.empty()) {
        ssize_t n = ::write(terminal_.Master(), pending_.data(), pending_.size());
        if (n <= 0)
            return; // the terminal is full or nobody listens; the rest goes out later
        lastSentNs_ = NowNs();
        stats_.NoteSent(static_cast<uint64_t>(n), lastSentNs_);
        pending_.erase(0, static_cast<size_t>(n));
    }
}

void CSimLoop::Log(const char* direction, std::string_view bytes) const
{
    if (options_.log)
        std::fprintf(stderr, "mt6402sim: %s \"%s\"\n", direction, Printable(bytes).c_str());
}

void CSimLoop::Receive(uint64_t nowNs)
{
    char buffer[256];
    ssize_t n = ::read(terminal_.Master(), buffer, sizeof(buffer));
    if (n <= 0)
        return;
    std::string_view bytes(buffer, static_cast<size_t>(n));
    Log("rx", bytes);
    stats_.NoteReceived(static_cast<uint64_t>(n), nowNs);
    wire_.Receive(bytes, nowNs);
}

void CSimLoop::DeliverDue(uint64_t nowNs)
{
    uint8_t byte = 0;
    uint64_t dueNs = 0;
    uint64_t readNs = 0;
    // After a hang-up request the line is as good as gone: nothing more is heard.
    while (!hangUpRequested_ && wire_.TakeReceived(nowNs, byte, dueNs, readNs)) {
        eventNs_ = dueNs;
        byteReadNs_ = readNs;
        current_->OnByte(byte, dueNs / kNsPerMs, *this);
    }
}

uint64_t CSimLoop::WaitNs(uint64_t nowNs) const
{
    uint64_t wait = static_cast<uint64_t>(kTickMs) * kNsPerMs;
    uint64_t deadline = wire_.NextDeadline();
    // A reply is waited for awake over its last stretch (see ShouldSpin).
    const uint64_t send = wire_.NextSendDeadline();
    if (send != std::numeric_limits<uint64_t>::max())
        deadline = std::min(deadline, send - std::min(send, kSpinBeforeSendNs));
    if (deadline != std::numeric_limits<uint64_t>::max())
        wait = deadline <= nowNs ? 0 : std::min(wait, deadline - nowNs);
    return wait;
}

bool CSimLoop::ShouldSpin(uint64_t nowNs) const
{
    return wire_.Paced() && (wire_.NextSendDeadline() <= nowNs + kSpinBeforeSendNs ||
                             (lastSentNs_ != 0 && nowNs < lastSentNs_ + kAwakeAfterSendNs));
}

int CSimLoop::Run(const volatile std::sig_atomic_t& stop)
{
    // The wire's byte times are about a millisecond: the kernel's default timer slack of 50 us
    // would show in every one of them.
    if (wire_.Paced())
        ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    bool opened = false;    // the program has opened the port at least once
    uint64_t openedAt = 0;  // when it first did
    uint64_t goneSince = 0; // when it last closed the port; 0 while it has the port open
    current_->Enter(Now());
    while (!stop) {
        const uint64_t beforeNs = NowNs();
        const bool awake = ShouldSpin(beforeNs);
        if (awake)
            ::sched_yield();
        const uint64_t waitNs = awake ? 0 : WaitNs(beforeNs);
        const timespec timeout{static_cast<time_t>(waitNs / 1'000'000'000), static_cast<long>(waitNs % 1'000'000'000)};
        pollfd master{terminal_.Master(), static_cast<short>(POLLIN | (pending_.empty() ? 0 : POLLOUT)), 0};
        int ready = ::ppoll(&master, 1, &timeout, nullptr);
        if (ready < 0 && errno != EINTR) {
            std::perror("mt6402sim: poll");
            return 1;
        }
        const uint64_t nowNs = NowNs();
        const uint64_t now = nowNs / kNsPerMs;
        // With no slave open the master reports a hang-up at once, again and again: rest a tick.
        if (ready > 0 && (master.revents & POLLHUP)) {
            if (opened && goneSince == 0) {
                goneSince = now;
                if (options_.log)
                    std::fprintf(stderr, "mt6402sim: the program closed the port\n");
            }
            if (opened && options_.lingerMs > 0 && now - goneSince >= static_cast<uint64_t>(options_.lingerMs))
                return 0;
            ::poll(nullptr, 0, kTickMs);
            continue;
        }
        if (!opened) {
            opened = true;
            openedAt = now;
        }
        goneSince = 0;
        if (ready > 0 && (master.revents & POLLIN))
            Receive(nowNs);
        DeliverDue(nowNs);
        Transmit(nowNs);
        if (ready > 0 && (master.revents & POLLOUT))
            Flush();
        eventNs_ = nowNs;
        current_->OnTick(now, *this);
        if (hangUpRequested_ && pending_.empty() && !wire_.HasUnsent()) {
            if (options_.log)
                std::fprintf(stderr, "mt6402sim: hanging up\n");
            terminal_.Close();
            return 0;
        }
        if (options_.hangupAfterMs >= 0 && now - openedAt >= static_cast<uint64_t>(options_.hangupAfterMs)) {
            if (options_.log)
                std::fprintf(stderr, "mt6402sim: hanging up\n");
            terminal_.Close();
            return 0;
        }
    }
    return 0;
}
