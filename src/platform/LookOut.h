// The look-out of a loop that cannot wait on its devices together with its messages: it lets them look around an expected answer.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/ReadinessWatch.h"

// The devices watched (with descriptor -1) by a loop that can wait only for its messages (the
// Windows message loops). Before each wait the loop asks LookOut how long it may sleep; a device
// whose answer is due soon is asked to look (OnReadiness with no events) on every round of its
// awake stretch. All on the loop's thread.
class CLookOut : public CWatchedDevices {
public:
    // No device needs the loop awake: it may sleep until a message comes.
    static constexpr uint32_t kUntilMessage = 0xFFFFFFFFu;

    // `awakeBeforeNs`: how long before an answer is due the loop stays awake (how late its platform
    // may wake from a timed sleep).
    explicit CLookOut(uint64_t awakeBeforeNs) : awakeBeforeNs_(awakeBeforeNs) {}

    // Lets the devices in their awake stretch look at `nowNs`; answers how long the loop may then
    // sleep, in whole milliseconds rounded down (never past the start of a stretch), or kUntilMessage.
    uint32_t LookOut(uint64_t nowNs);

private:
    uint64_t awakeBeforeNs_;
    std::vector<Device> round_; // this round's devices (kept: no allocation per round)
};
