// A model value of N entries; a change of entry i notifies with parameter i.
#pragma once
#include <array>
#include <cstddef>
#include <utility>

#include "model/EventSource.h"

template <class T, size_t N>
class CObservableArray : public CEventSource {
public:
    static constexpr size_t Size = N;

    explicit CObservableArray(uint32_t message) : CEventSource(message) {}

    // An index out of range reads an empty entry and writes nothing.
    const T& Get(size_t index) const { return index < N ? values_[index] : empty_; }
    void Set(size_t index, T value)
    {
        if (index >= N)
            return;
        values_[index] = std::move(value);
        Notify(index);
    }

protected:
    // A new observer receives one notification per entry, parameters 0 to N-1.
    void SendCurrentState(IMessageTarget* observer) override
    {
        for (size_t i = 0; i < N; ++i)
            SendTo(observer, i);
    }
    void Store(size_t index, T value)
    {
        if (index < N)
            values_[index] = std::move(value);
    }

private:
    std::array<T, N> values_{};
    inline static const T empty_{};
};
