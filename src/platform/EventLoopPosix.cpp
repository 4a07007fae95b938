// The event loop off Windows: poll on an eventfd for posted messages, watched devices, and a timer queue.
#include "platform/EventLoop.h"
#include "platform/LastError.h"
#include "platform/ReadinessWatch.h"

#include <sys/eventfd.h>
#include <poll.h>
#include <sched.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace {

// Owns the loop's wake-up descriptor and closes it once.
class CWakeDescriptor {
public:
    CWakeDescriptor() : fd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC))
    {
        if (fd_ < 0)
            SetLastErrorCode(ErrnoToSystemError(errno));
    }
    ~CWakeDescriptor()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    CWakeDescriptor(CWakeDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    CWakeDescriptor& operator=(CWakeDescriptor&&) = delete;
    CWakeDescriptor(const CWakeDescriptor&) = delete;
    CWakeDescriptor& operator=(const CWakeDescriptor&) = delete;

    bool IsValid() const { return fd_ >= 0; }
    int Get() const { return fd_; }

    void Signal() const
    {
        const uint64_t one = 1;
        // A full counter (EAGAIN) still wakes the loop, so the result needs no handling.
        [[maybe_unused]] ssize_t n = write(fd_, &one, sizeof one);
    }
    void Drain() const
    {
        uint64_t count = 0;
        [[maybe_unused]] ssize_t n = read(fd_, &count, sizeof count);
    }

private:
    int fd_;
};

uint64_t NowNanoseconds()
{
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count());
}

uint64_t NowMilliseconds()
{
    return NowNanoseconds() / 1'000'000;
}

struct PostedMessage {
    CEventLoop::CTarget* target;
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
};

struct Timer {
    IMessageTarget* target;
    uintptr_t id;
    uint32_t interval;
    uint64_t due;
};

// The awake stretch begins this long before an answer is due: a timed sleep here ends within
// some tens of microseconds of its time.
constexpr uint64_t kAwakeBeforeNs = 300'000;

uint64_t MillisecondsToNs(int milliseconds)
{
    return milliseconds < 0 ? kReadinessNoTimeout : static_cast<uint64_t>(milliseconds) * 1'000'000;
}

} // namespace

struct CEventLoop::Impl : CWatchedDevices {
    CWakeDescriptor wake;
    std::mutex mutex; // guards posted, quitCode
    std::deque<PostedMessage> posted;
    std::atomic<bool> quit{false};
    int quitCode = 0;
    std::atomic<std::thread::id> runner; // the thread in Run, which needs no wake-up to see a post
    std::vector<Timer> timers;           // loop thread only
    std::vector<pollfd> pollSet;         // this round's wait: the wake-up descriptor, then devices
    std::vector<Device> pollDevices;

    // Waits for a posted message, a watched device or the next timer, and hands ready devices
    // their events at once: the device's client runs before anything else, as soon as it can.
    void Wait()
    {
        const uint64_t now = NowNanoseconds();
        uint64_t sleep = MillisecondsToNs(PollTimeout());
        pollSet.assign(1, pollfd{wake.Get(), POLLIN, 0});
        pollDevices.clear();
        for (const Device& device : Devices()) {
            ReadinessWish wish;
            if (device.client->WantsReadiness(wish)) {
                pollSet.push_back({device.descriptor, POLLIN, 0});
                pollDevices.push_back(device);
            }
            sleep = std::min(sleep, ReadinessSleepNs(wish, now, kAwakeBeforeNs));
        }
        // Watching awake, the loop still lets any other thread that wants this processor run first.
        if (sleep == 0)
            sched_yield();
        timespec limit{static_cast<time_t>(sleep / 1'000'000'000), static_cast<long>(sleep % 1'000'000'000)};
        if (ppoll(pollSet.data(), pollSet.size(), sleep == kReadinessNoTimeout ? nullptr : &limit, nullptr) <= 0)
            return;
        if (pollSet[0].revents != 0)
            wake.Drain();
        for (size_t i = 1; i < pollSet.size() && !quit; ++i) {
            // A client may have unwatched (or destroyed) another, or itself, in this round.
            if (pollSet[i].revents != 0 && StillWatched(pollDevices[i - 1]))
                pollDevices[i - 1].client->OnReadiness(pollSet[i].revents);
        }
    }

    bool Enqueue(CTarget* target, uint32_t message, uintptr_t wParam, intptr_t lParam)
    {
        if (!wake.IsValid()) {
            SetLastErrorCode(ERROR_CODE_INVALID_HANDLE);
            return false;
        }
        {
            std::lock_guard<std::mutex> lock(mutex);
            posted.push_back({target, message, wParam, lParam});
        }
        // The loop's own thread looks at the queue before it waits again.
        if (std::this_thread::get_id() != runner)
            wake.Signal();
        return true;
    }

    void Forget(IMessageTarget* target)
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            std::erase_if(posted, [target](const PostedMessage& m) { return m.target == target; });
        }
        std::erase_if(timers, [target](const Timer& t) { return t.target == target; });
    }

    // Delivers the messages that were queued when the round began; later ones wait for the next
    // round, so a target that keeps posting to itself cannot starve the timers.
    void DeliverPosted()
    {
        size_t count;
        {
            std::lock_guard<std::mutex> lock(mutex);
            count = posted.size();
        }
        while (count-- > 0 && !quit) {
            PostedMessage m;
            {
                std::lock_guard<std::mutex> lock(mutex);
                if (posted.empty())
                    return; // a destroyed target took its messages with it
                m = posted.front();
                posted.pop_front();
            }
            m.target->Dispatch(m.message, m.wParam, m.lParam);
        }
    }

    // Each timer that is due fires once; its next due time counts from now, like a window timer
    // that does not catch up on intervals it missed. Handlers may start and kill timers.
    void FireDueTimers()
    {
        const uint64_t now = NowMilliseconds();
        std::vector<Timer> due;
        for (const Timer& t : timers)
            if (t.due <= now)
                due.push_back(t);
        std::sort(due.begin(), due.end(), [](const Timer& a, const Timer& b) { return a.due < b.due; });
        for (const Timer& d : due) {
            if (quit)
                return;
            auto it = std::find_if(timers.begin(), timers.end(),
                                   [&](const Timer& t) { return t.target == d.target && t.id == d.id; });
            // Killed, or restarted by an earlier handler of this round: not due any more.
            if (it == timers.end() || it->due > now)
                continue;
            it->due = now + it->interval;
            d.target->Send(WM_STATE_TIMER, d.id, 0);
        }
    }

    int PollTimeout()
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (!posted.empty())
                return 0;
        }
        if (timers.empty())
            return -1;
        uint64_t next = timers.front().due;
        for (const Timer& t : timers)
            next = std::min(next, t.due);
        const uint64_t now = NowMilliseconds();
        if (next <= now)
            return 0;
        return static_cast<int>(std::min<uint64_t>(next - now, 60'000));
    }
};

CEventLoop::CEventLoop() : impl_(std::make_unique<Impl>()) {}

CEventLoop::~CEventLoop() = default;

bool CEventLoop::IsValid() const { return impl_->wake.IsValid(); }

int CEventLoop::Run()
{
    if (!impl_->wake.IsValid())
        return -1;
    impl_->runner = std::this_thread::get_id();
    while (!impl_->quit) {
        impl_->DeliverPosted();
        if (impl_->quit)
            break;
        impl_->FireDueTimers();
        if (impl_->quit)
            break;
        impl_->Wait();
    }
    impl_->quit = false;
    impl_->runner = std::thread::id{};
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->quitCode;
}

void CEventLoop::Quit(int code)
{
    {
        std::lock_guard<std::mutex> lock(impl_->mutex);
        impl_->quitCode = code;
    }
    impl_->quit = true;
    if (impl_->wake.IsValid())
        impl_->wake.Signal();
}

bool CEventLoop::SetTimer(IMessageTarget& target, uintptr_t id, uint32_t milliseconds)
{
    const uint64_t due = NowMilliseconds() + milliseconds;
    for (Timer& t : impl_->timers) {
        if (t.target == &target && t.id == id) {
            t.interval = milliseconds;
            t.due = due;
            return true;
        }
    }
    impl_->timers.push_back({&target, id, milliseconds, due});
    return true;
}

void CEventLoop::KillTimer(IMessageTarget& target, uintptr_t id)
{
    std::erase_if(impl_->timers, [&](const Timer& t) { return t.target == &target && t.id == id; });
}

uint32_t CEventLoop::TickCount() { return static_cast<uint32_t>(NowMilliseconds()); }

struct CEventLoop::CTarget::Impl {};

CEventLoop::CTarget::CTarget(CEventLoop& loop, Handler handler) : loop_(loop), handler_(std::move(handler)) {}

CEventLoop::CTarget::~CTarget() { loop_.impl_->Forget(this); }

bool CEventLoop::CTarget::IsValid() const { return loop_.IsValid(); }

intptr_t CEventLoop::CTarget::Send(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    return Dispatch(message, wParam, lParam);
}

bool CEventLoop::CTarget::Post(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    return loop_.impl_->Enqueue(this, message, wParam, lParam);
}

void* CEventLoop::CTarget::NativeHandle() { return nullptr; }

IReadinessWatch* CEventLoop::CTarget::ReadinessWatch() { return loop_.impl_.get(); }

intptr_t CEventLoop::CTarget::Dispatch(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    return handler_ ? handler_(message, wParam, lParam) : 0;
}
