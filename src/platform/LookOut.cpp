// The look-out of a loop that cannot wait on its devices together with its messages.
#include "platform/LookOut.h"

#include <algorithm>

uint32_t CLookOut::LookOut(uint64_t nowNs)
{
    if (Devices().empty())
        return kUntilMessage;
    uint64_t sleep = kReadinessNoTimeout;
    round_ = Devices();
    for (const Device& device : round_) {
        // A client may have unwatched (or destroyed) another, or itself, in this round.
        if (!StillWatched(device))
            continue;
        ReadinessWish wish;
        if (!device.client->WantsReadiness(wish))
            wish.answerDueNs = 0;
        sleep = std::min(sleep, ReadinessSleepNs(wish, nowNs, awakeBeforeNs_));
        // Awake within the stretch; and once it has begun, the device looks whenever the loop is
        // awake anyway until the answer is read, so that a sleep that ended late misses nothing.
        if (wish.answerDueNs != 0 && nowNs + awakeBeforeNs_ >= wish.answerDueNs)
            device.client->OnReadiness(0);
    }
    if (sleep == kReadinessNoTimeout)
        return kUntilMessage;
    return static_cast<uint32_t>(std::min<uint64_t>(sleep / 1'000'000, kUntilMessage - 1));
}
