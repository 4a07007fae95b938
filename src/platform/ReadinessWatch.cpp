// How long an event loop may sleep for a watched device's wish.
#include "platform/ReadinessWatch.h"

#include <algorithm>
#include <utility>

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

CWatchedDevices::~CWatchedDevices()
{
    for (const Device& device : std::exchange(devices_, {}))
        device.client->OnWatchEnded();
}

bool CWatchedDevices::Watch(int descriptor, IReadinessClient& client)
{
    Unwatch(client);
    devices_.push_back({descriptor, &client, nextSerial_++});
    return true;
}

void CWatchedDevices::Unwatch(IReadinessClient& client)
{
    std::erase_if(devices_, [&client](const Device& d) { return d.client == &client; });
}

bool CWatchedDevices::StillWatched(const Device& device) const
{
    return std::any_of(devices_.begin(), devices_.end(), [&device](const Device& d) { return d.serial == device.serial; });
}
