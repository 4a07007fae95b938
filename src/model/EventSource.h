// The observer list of one model value: Advise, Unadvise and synchronous notifications.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/MessageTarget.h"

// Observers are message targets, not owned. Notify sends (message, parameter, 0) to each in
// registration order; each has handled it before the next is called. An observer may Advise or
// Unadvise any observer (itself included) while a notification is being delivered: a removed
// observer receives nothing more, the others none less, and one added then first hears of the
// value through its own Advise.
class CEventSource {
public:
    explicit CEventSource(uint32_t message) : message_(message) {}
    virtual ~CEventSource() = default;
    CEventSource(const CEventSource&) = delete;
    CEventSource& operator=(const CEventSource&) = delete;

    // Registers the observer once and sends it the current state at once (one notification with
    // parameter 0; the arrays send one per entry). Already registered: no second entry, but the
    // current state is sent again. False (nothing sent) only when the list cannot grow.
    bool Advise(IMessageTarget* observer);
    // Removes the observer; no message. Unknown observers are ignored.
    void Unadvise(IMessageTarget* observer);
    // Sends the notification to every registered observer.
    void Notify(uintptr_t parameter);

    uint32_t Message() const { return message_; }
    bool IsAdvised(const IMessageTarget* observer) const;
    size_t ObserverCount() const;

protected:
    // The notifications a new observer receives: one with parameter 0 unless overridden.
    virtual void SendCurrentState(IMessageTarget* observer);
    void SendTo(IMessageTarget* observer, uintptr_t parameter) const;

private:
    void Compact();

    uint32_t message_;
    // Entries removed during a notification are set to null and dropped once it is over.
    std::vector<IMessageTarget*> observers_;
    unsigned notifying_ = 0;
    bool hasRemoved_ = false;
};
