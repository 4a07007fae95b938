// Waits 3 s after the final block while the module resets into its new firmware.
#pragma once
#include <cstdint>

#include "machines/DelayState.h"
#include "model/Format.h"
#include "model/StringTable.h"

// Replies during the wait are not examined.
template <class T>
class CLoadWaitResetState : public CDelayState<T> {
public:
    static constexpr uint32_t ResetDelay = 3000;

    CLoadWaitResetState(CStateHost<T>& host, CState<T>* next)
        : CDelayState<T>(host, L"LoadWaitResetState", next, ResetDelay)
    {
    }

    void Enter() override
    {
        this->Machine().Report(StringId{IDS_WAITING_FOR_RESET}, T::MillisecondsToSeconds(this->Delay()));
    }
};
