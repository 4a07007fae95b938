// A model value that tells its observers of every Set.
#pragma once
#include <utility>

#include "model/EventSource.h"

template <class T>
class CObservableValue : public CEventSource {
public:
    CObservableValue(uint32_t message, T initial = T{}) : CEventSource(message), value_(std::move(initial)) {}

    const T& Get() const { return value_; }
    // Stores the value and notifies (parameter 0), also when it did not change.
    void Set(T value)
    {
        value_ = std::move(value);
        Notify(0);
    }

protected:
    // Stores without notifying (loading settings, and values with their own notification rule).
    void Store(T value) { value_ = std::move(value); }

private:
    T value_;
};
