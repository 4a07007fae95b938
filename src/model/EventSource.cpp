// The observer list of one model value.
#include "model/EventSource.h"

#include <algorithm>
#include <new>

bool CEventSource::Advise(IMessageTarget* observer)
{
    if (!observer)
        return false;
    if (!IsAdvised(observer)) {
        try {
            observers_.push_back(observer);
        } catch (const std::bad_alloc&) {
            return false;
        }
    }
    SendCurrentState(observer);
    return true;
}

void CEventSource::Unadvise(IMessageTarget* observer)
{
    const auto it = std::find(observers_.begin(), observers_.end(), observer);
    if (it == observers_.end() || !observer)
        return;
    if (notifying_ > 0) {
        // A notification walks the list by index: leave a hole instead of shifting entries.
        *it = nullptr;
        hasRemoved_ = true;
    } else {
        observers_.erase(it);
    }
}

void CEventSource::Notify(uintptr_t parameter)
{
    ++notifying_;
    // Observers advised during this notification are not called by it; they got their own.
    const size_t count = observers_.size();
    for (size_t i = 0; i < count; ++i) {
        if (IMessageTarget* observer = observers_[i])
            SendTo(observer, parameter);
    }
    if (--notifying_ == 0 && hasRemoved_)
        Compact();
}

bool CEventSource::IsAdvised(const IMessageTarget* observer) const
{
    return observer && std::find(observers_.begin(), observers_.end(), observer) != observers_.end();
}

size_t CEventSource::ObserverCount() const
{
    return static_cast<size_t>(std::count_if(observers_.begin(), observers_.end(),
                                             [](const IMessageTarget* observer) { return observer != nullptr; }));
}

void CEventSource::SendCurrentState(IMessageTarget* observer)
{
    SendTo(observer, 0);
}

void CEventSource::SendTo(IMessageTarget* observer, uintptr_t parameter) const
{
    observer->Send(message_, parameter, 0);
}

void CEventSource::Compact()
{
    observers_.erase(std::remove(observers_.begin(), observers_.end(), nullptr), observers_.end());
    hasRemoved_ = false;
}
