// A pseudo-terminal the test holds the master of.
#include "PtyPair.h"

#include <climits>
#include <cstdlib>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

PtyPair::PtyPair()
{
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    char name[PATH_MAX];
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
        ::ptsname_r(master_, name, sizeof(name)) != 0) {
        HangUp();
        return;
    }
    slavePath_ = name;
}

PtyPair::~PtyPair()
{
    HangUp();
}

bool PtyPair::Send(std::string_view bytes)
{
    return ::write(master_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

std::string PtyPair::Receive(size_t wanted, std::chrono::milliseconds timeout, std::chrono::milliseconds settle)
{
    std::string received;
    std::chrono::milliseconds wait = timeout;
    while (received.size() < wanted) {
        pollfd readable{master_, POLLIN, 0};
        if (::poll(&readable, 1, static_cast<int>(wait.count())) <= 0 || !(readable.revents & POLLIN))
            break;
        char buffer[256];
        ssize_t n = ::read(master_, buffer, sizeof(buffer));
        if (n <= 0)
            break;
        received.append(buffer, static_cast<size_t>(n));
        wait = settle;
    }
    return received;
}

bool PtyPair::SlaveClosed() const
{
    pollfd state{master_, POLLIN, 0};
    return ::poll(&state, 1, 0) > 0 && (state.revents & POLLHUP);
}

void PtyPair::HangUp()
{
    if (master_ >= 0)
        ::close(master_);
    master_ = -1;
}
