// Asks the running firmware to enter its bootstrap loader: "D", then 2 s for it to restart at 9600 bit/s.
#pragma once
#include <cstdint>

#include "machines/CommandDelayState.h"
#include "model/Model.h"

// Only firmware that runs (FirmwareStatus 3) is asked; a module whose bootstrap loader already
// waits goes straight on, so it sees a single "D" (the next state's). Replies during the wait are
// not examined.
template <class T>
class CLoadEnterBootLoaderState : public CCommandDelayState<T> {
public:
    static constexpr uint32_t RestartDelay = 2000;
    static constexpr uint32_t LoaderSpeed = 9600;

    CLoadEnterBootLoaderState(CStateHost<T>& host, CState<T>* next)
        : CCommandDelayState<T>(host, L"LoadEnterBootLoaderState", next, L"D", RestartDelay)
    {
    }

    void Start() override
    {
        if (this->Host().Model().FirmwareStatus.Get() == FirmwareStatusRunning)
            this->SendCommand();
        else
            this->Next();
    }

    // The bootstrap loader talks at 9600 bit/s whatever the firmware used.
    void OnTimer() override
    {
        this->Host().Model().PortSpeed.Set(LoaderSpeed);
        this->Next();
    }
};
