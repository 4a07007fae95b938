// How long an event loop may sleep for a watched device's wish.
#include "platform/ReadinessWatch.h"

#include <algorithm>

uint64_t ReadinessSleepNs(const ReadinessWish& wish, uint64_t nowNs, uint64_t awakeBeforeNs)
{
    uint64_t sleep = wish.lookAgainMs < 0 ? kReadinessNoTimeout : static_cast<uint64_t>(wish.lookAgainMs) * 1'000'000;
    if (wish.answerDueNs != 0) {
        const uint64_t awakeFrom = wish.answerDueNs - std::min(wish.answerDueNs, awakeBeforeNs);
        const uint64_t awakeUntil = wish.answerDueNs + IReadinessWatch::kAwakeAfterNs;
        if (nowNs < awakeFrom)
            sleep = std::min(sleep, awakeFrom - nowNs);
        else if (nowNs < awakeUntil)
            sleep = 0;
    }
    return sleep;
}
