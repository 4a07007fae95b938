// The simulator's main loop.
#include "SimLoop.h"

#include "Printable.h"

#include <cerrno>
#include <chrono>
#include <cstdio>

#include <poll.h>
#include <unistd.h>

namespace {
// The loop wakes at least this often, for the roles' ticks and for the hang-up and linger clocks.
constexpr int kTickMs = 10;
} // namespace

CSimLoop::CSimLoop(CPseudoTerminal& terminal, const SimOptions& options)
    : terminal_(terminal), options_(options), firmware_(options.firmware), current_(&firmware_)
{
}

uint64_t CSimLoop::Now()
{
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

ISimRole& CSimLoop::Role(SimRoleId role)
{
    switch (role) {
    case SimRoleId::Firmware:
        break;
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

void CSimLoop::Send(std::string_view bytes)
{
    Log("tx", bytes);
    pending_.append(bytes);
    Flush();
}

void CSimLoop::Flush()
{
    while (!pending_.empty()) {
        ssize_t n = ::write(terminal_.Master(), pending_.data(), pending_.size());
        if (n <= 0)
            return; // the terminal is full or nobody listens; the rest goes out later
        pending_.erase(0, static_cast<size_t>(n));
    }
}

void CSimLoop::Log(const char* direction, std::string_view bytes) const
{
    if (options_.log)
        std::fprintf(stderr, "mt6402sim: %s \"%s\"\n", direction, Printable(bytes).c_str());
}

void CSimLoop::Receive(uint64_t now)
{
    char buffer[256];
    ssize_t n = ::read(terminal_.Master(), buffer, sizeof(buffer));
    if (n <= 0)
        return;
    std::string_view bytes(buffer, static_cast<size_t>(n));
    Log("rx", bytes);
    for (char byte : bytes)
        current_->OnByte(static_cast<uint8_t>(byte), now, *this);
}

int CSimLoop::Run(const volatile std::sig_atomic_t& stop)
{
    bool opened = false;    // the program has opened the port at least once
    uint64_t openedAt = 0;  // when it first did
    uint64_t goneSince = 0; // when it last closed the port; 0 while it has the port open
    current_->Enter(Now());
    while (!stop) {
        pollfd master{terminal_.Master(), static_cast<short>(POLLIN | (pending_.empty() ? 0 : POLLOUT)), 0};
        int ready = ::poll(&master, 1, kTickMs);
        if (ready < 0 && errno != EINTR) {
            std::perror("mt6402sim: poll");
            return 1;
        }
        uint64_t now = Now();
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
            Receive(now);
        if (ready > 0 && (master.revents & POLLOUT))
            Flush();
        current_->OnTick(now, *this);
        if (options_.hangupAfterMs >= 0 && now - openedAt >= static_cast<uint64_t>(options_.hangupAfterMs)) {
            if (options_.log)
                std::fprintf(stderr, "mt6402sim: hanging up\n");
            terminal_.Close();
            return 0;
        }
    }
    return 0;
}
