// Reading from a real serial port in a test.
#include "PortReading.h"

#include <algorithm>

namespace {

// Reads once; when nothing was there, waits for the next WM_COMM_EVENT (the read re-armed it).
bool ReadOnce(ISerialPort& port, WaitingTarget& window, std::string& got,
              std::chrono::steady_clock::time_point deadline)
{
    size_t seen = window.Count(WM_COMM_EVENT);
    uint8_t buffer[64];
    uint32_t received = 0;
    if (!port.Read(buffer, sizeof(buffer), received))
        return false;
    got.append(reinterpret_cast<const char*>(buffer), received);
    if (received == 0) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        window.WaitFor(WM_COMM_EVENT, seen + 1, std::max(left, std::chrono::milliseconds(0)));
    }
    return true;
}

} // namespace

std::string ReadBytes(ISerialPort& port, WaitingTarget& window, size_t wanted, std::chrono::milliseconds timeout)
{
    std::string got;
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (got.size() < wanted && std::chrono::steady_clock::now() < deadline)
        if (!ReadOnce(port, window, got, deadline))
            break;
    return got;
}

std::string ReadReply(ISerialPort& port, WaitingTarget& window, char terminator, std::chrono::milliseconds timeout)
{
    std::string got;
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (!got.empty() && got.back() == terminator)
            return got;
        if (!ReadOnce(port, window, got, deadline))
            break;
    }
    return !got.empty() && got.back() == terminator ? got : std::string();
}
