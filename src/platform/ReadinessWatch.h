// Lets the event loop's own thread wait on a device, so that its arrivals need no thread of their own.
#pragma once
#include <cstdint>
#include <vector>

// What a device asks of the loop's next wait.
struct ReadinessWish {
    // How long the loop may sleep before it must ask again (-1: until something else wakes it).
    int lookAgainMs = -1;
    // When an answer is due (nanoseconds of the steady clock; 0: none expected). Waking from sleep
    // takes the kernel tens of microseconds, so the loop sleeps until shortly before this moment
    // and watches the device awake over a short stretch around it.
    uint64_t answerDueNs = 0;
};

// A device that the loop waits on. Every call comes on the loop's thread.
class IReadinessClient {
public:
    virtual ~IReadinessClient() = default;

    // Before each wait: whether to wait on the device this time, and for how long (see ReadinessWish).
    virtual bool WantsReadiness(ReadinessWish& wish) = 0;
    // The device is readable, hung up or failed (the poll events). A loop that cannot wait on the
    // device itself (Windows) calls it with no events, on every round of the awake stretch around
    // an expected answer: the client looks at the device then. The client may stop watching, and
    // may be destroyed, during the call.
    virtual void OnReadiness(short events) = 0;
    // The loop is going away while the client still watches; it must not be called again.
    virtual void OnWatchEnded() = 0;
};

// The loop side. Watch and Unwatch are called on the loop's thread.
class IReadinessWatch {
public:
    // The stretch watched awake around an expected answer ends this long after it is due; an
    // answer later than that is waited for asleep. (Where it begins depends on how precisely the
    // loop's platform wakes from a timed sleep.)
    static constexpr uint64_t kAwakeAfterNs = 1'000'000;

    virtual ~IReadinessWatch() = default;

    // Waits on `descriptor` for `client` from the next round of the loop on (-1: a device the loop
    // cannot wait on, only look out for).
    virtual bool Watch(int descriptor, IReadinessClient& client) = 0;
    // Stops waiting for `client`; nothing more is delivered to it, even within the current round.
    virtual void Unwatch(IReadinessClient& client) = 0;
};

// The devices a loop watches, kept on the loop's thread; the loop goes through Devices() each round.
class CWatchedDevices : public IReadinessWatch {
public:
    struct Device {
        int descriptor;
        IReadinessClient* client;
        uint64_t serial; // tells a watch from a later one of the same client
    };

    // Tells the clients still watching that the loop is going away.
    ~CWatchedDevices() override;

    bool Watch(int descriptor, IReadinessClient& client) override;
    void Unwatch(IReadinessClient& client) override;

    const std::vector<Device>& Devices() const { return devices_; }
    // Whether the watch is still on: a client may unwatch (or destroy) another, or itself, mid-round.
    bool StillWatched(const Device& device) const;

private:
    std::vector<Device> devices_;
    uint64_t nextSerial_ = 1;
};

// No limit on a loop's sleep.
constexpr uint64_t kReadinessNoTimeout = UINT64_MAX;

// How long a loop may sleep, at `nowNs`, for a device with this wish: its look-again time, shortened
// to the start of the awake stretch (`awakeBeforeNs` before the answer is due) and 0 within it.
uint64_t ReadinessSleepNs(const ReadinessWish& wish, uint64_t nowNs, uint64_t awakeBeforeNs);
