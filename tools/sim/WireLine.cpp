// The serial line's wire time.
#include "WireLine.h"

#include <algorithm>
#include <limits>

namespace {
// Start bit, eight data bits, stop bit.
constexpr uint64_t kBitsPerByte = 10;
constexpr uint64_t kNsPerSecond = 1'000'000'000;
} // namespace

CWireLine::CWireLine(long bitsPerSecond)
    : byteNs_(bitsPerSecond > 0 ? kBitsPerByte * kNsPerSecond / static_cast<uint64_t>(bitsPerSecond) : 0)
{
}

void CWireLine::Receive(std::string_view bytes, uint64_t readNs)
{
    for (char c : bytes) {
        incomingEndNs_ = std::max(incomingEndNs_, readNs) + byteNs_;
        incoming_.push_back({static_cast<uint8_t>(c), incomingEndNs_, readNs});
    }
}

bool CWireLine::TakeReceived(uint64_t nowNs, uint8_t& byte, uint64_t& dueNs, uint64_t& readNs)
{
    if (incoming_.empty() || incoming_.front().dueNs > nowNs)
        return false;
    byte = incoming_.front().byte;
    dueNs = incoming_.front().dueNs;
    readNs = incoming_.front().readNs;
    incoming_.pop_front();
    return true;
}

void CWireLine::Send(std::string_view bytes, uint64_t readyNs)
{
    for (char c : bytes) {
        outgoingEndNs_ = std::max(outgoingEndNs_, readyNs) + byteNs_;
        outgoing_.push_back({static_cast<uint8_t>(c), outgoingEndNs_, readyNs});
    }
}

size_t CWireLine::TakeSendable(uint64_t nowNs, std::string& out, uint64_t* lastDueNs)
{
    size_t taken = 0;
    while (!outgoing_.empty() && outgoing_.front().dueNs <= nowNs) {
        out += static_cast<char>(outgoing_.front().byte);
        if (lastDueNs)
            *lastDueNs = outgoing_.front().dueNs;
        outgoing_.pop_front();
        ++taken;
    }
    return taken;
}

uint64_t CWireLine::NextSendDeadline() const
{
    return outgoing_.empty() ? std::numeric_limits<uint64_t>::max() : outgoing_.front().dueNs;
}

uint64_t CWireLine::NextDeadline() const
{
    uint64_t next = std::numeric_limits<uint64_t>::max();
    if (!incoming_.empty())
        next = std::min(next, incoming_.front().dueNs);
    if (!outgoing_.empty())
        next = std::min(next, outgoing_.front().dueNs);
    return next;
}
