// N texts kept in the settings store under numbered names ("CommandCaption1".."CommandCaption16").
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>

#include "model/Format.h"
#include "model/ObservableArray.h"
#include "model/PersistentValue.h"

// Each entry is loaded and saved by itself against its own saved copy, under the name pattern
// (one %u) formatted with firstNumber + index.
template <class T, size_t N>
class CPersistentArray : public CObservableArray<T, N>, public IPersistentValue {
    static_assert(std::is_same_v<T, std::wstring>, "persistent arrays hold texts");

public:
    CPersistentArray(uint32_t message, std::wstring pattern, uint32_t firstNumber = 1)
        : CObservableArray<T, N>(message), pattern_(std::move(pattern)), firstNumber_(firstNumber)
    {
    }

    std::wstring EntryName(size_t index) const
    {
        return pattern_.empty() ? std::wstring() : Format(pattern_, firstNumber_ + static_cast<uint32_t>(index));
    }
    const T& SavedCopy(size_t index) const { return saved_[index]; }

    // The result is that of the last entry.
    uint32_t Load(CAppInfoBase& app) override
    {
        uint32_t result = 0;
        for (size_t i = 0; i < N; ++i) {
            const std::wstring name = EntryName(i);
            if (name.empty())
                continue;
            T value = saved_[i];
            result = ReadTextValue(app.Key(), name, value);
            if (result != 0) {
                this->Store(i, saved_[i]);
                continue;
            }
            saved_[i] = value;
            this->Store(i, std::move(value));
        }
        return result;
    }

    // The result is that of the last write made (0 when nothing was written).
    uint32_t Save(CAppInfoBase& app) override
    {
        uint32_t result = 0;
        for (size_t i = 0; i < N; ++i) {
            if (this->Get(i) == saved_[i])
                continue;
            const std::wstring name = EntryName(i);
            if (name.empty())
                continue;
            result = WriteTextValue(app.Key(), name, this->Get(i));
            if (result == 0)
                saved_[i] = this->Get(i);
        }
        return result;
    }

private:
    std::array<T, N> saved_{};
    std::wstring pattern_;
    uint32_t firstNumber_;
};
