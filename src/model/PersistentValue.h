// Model values kept in the settings store: loaded once, written only when changed.
#pragma once
#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>

#include "model/AppInfo.h"
#include "model/ObservableValue.h"
#include "model/SettingsValues.h"

// Load and Save return a system error code (0 success) and never notify.
class IPersistentValue {
public:
    virtual ~IPersistentValue() = default;
    virtual uint32_t Load(CAppInfoBase& app) = 0;
    virtual uint32_t Save(CAppInfoBase& app) = 0;
};

// T is int or uint32_t (stored as REG_DWORD) or std::wstring (stored as REG_SZ).
// The saved copy is what was last read from or written to the store (the default at first);
// a failed load falls back to it, and Save writes only a value that differs from it.
template <class T>
class CPersistentValue : public CObservableValue<T>, public IPersistentValue {
    static_assert(std::is_same_v<T, std::wstring> || (std::is_integral_v<T> && sizeof(T) == 4),
                  "persistent values are texts or 32-bit numbers");

public:
    CPersistentValue(uint32_t message, std::wstring name, T initial = T{})
        : CObservableValue<T>(message, initial), saved_(std::move(initial)), name_(std::move(name))
    {
    }

    const std::wstring& Name() const { return name_; }
    const T& SavedCopy() const { return saved_; }

    uint32_t Load(CAppInfoBase& app) override
    {
        if (name_.empty())
            return 0;
        T value = saved_;
        uint32_t result;
        if constexpr (std::is_same_v<T, std::wstring>) {
            result = ReadTextValue(app.Key(), name_, value);
        } else {
            uint32_t raw = static_cast<uint32_t>(value);
            result = ReadDwordValue(app.Key(), name_, raw);
            value = static_cast<T>(raw);
        }
        if (result != 0) {
            this->Store(saved_);
            return result;
        }
        saved_ = value;
        this->Store(Loaded(std::move(value)));
        return 0;
    }

    uint32_t Save(CAppInfoBase& app) override
    {
        if (name_.empty() || this->Get() == saved_)
            return 0;
        uint32_t result;
        if constexpr (std::is_same_v<T, std::wstring>)
            result = WriteTextValue(app.Key(), name_, this->Get());
        else
            result = WriteDwordValue(app.Key(), name_, static_cast<uint32_t>(this->Get()));
        if (result == 0)
            saved_ = this->Get();
        return result;
    }

protected:
    // What a value read from the store becomes (the bounded value clamps it).
    virtual T Loaded(T value) const { return value; }

private:
    T saved_;
    std::wstring name_;
};

// A 32-bit unsigned setting held within [lower, upper]. A stored value out of range is clamped on
// load; the saved copy keeps what was read, so the clamped value is written at the next save.
template <class T>
class CPersistentBoundedValue : public CPersistentValue<T> {
public:
    CPersistentBoundedValue(uint32_t message, std::wstring name, T initial, T lower, T upper)
        : CPersistentValue<T>(message, std::move(name), initial), lower_(lower), upper_(upper)
    {
    }

    T Lower() const { return lower_; }
    T Upper() const { return upper_; }

protected:
    T Loaded(T value) const override { return value < lower_ ? lower_ : (value > upper_ ? upper_ : value); }

private:
    T lower_;
    T upper_;
};
