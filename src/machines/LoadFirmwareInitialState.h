// Sends the image block by block (0x0800 first, with its marker) while the module answers "A".
#pragma once
#include "machines/LoadFirmwareState.h"

template <class T>
class CLoadFirmwareInitialState : public CLoadFirmwareState<T> {
public:
    CLoadFirmwareInitialState(CStateHost<T>& host, CState<T>* next, CState<T>& resync)
        : CLoadFirmwareState<T>(host, L"LoadFirmwareInitialState", next, resync, L'A')
    {
    }

    void Enter() override
    {
        T& machine = this->Machine();
        machine.Report(StringId{IDS_SENDING_FIRMWARE_FILE}, machine.Image().GetFileName(), machine.DeviceName());
        this->EnterBlockState();
    }

    // The next block, or on to the final block when the image is through.
    void Start() override
    {
        if (this->Machine().BuildNextBlock())
            this->SendCommand();
        else
            this->Next();
    }
};
