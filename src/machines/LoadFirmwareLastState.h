// Sends the final block (the block at 0x0800 with its real bytes) until the module answers "B".
#pragma once
#include "machines/LoadFirmwareState.h"

template <class T>
class CLoadFirmwareLastState : public CLoadFirmwareState<T> {
public:
    CLoadFirmwareLastState(CStateHost<T>& host, CState<T>* next, CState<T>& resync)
        : CLoadFirmwareState<T>(host, L"LoadFirmwareLastState", next, resync, L'B')
    {
    }

    void Enter() override
    {
        this->Machine().BuildFinalBlock();
        this->EnterBlockState();
    }

    // A "B" in the reply at hand (the answer to the final block, or already to the last image
    // block) means the module has finished: nothing more to send.
    void Start() override
    {
        if (this->Machine().ReceiveBuffer().find(L'B') != std::wstring::npos)
            this->Next();
        else
            this->SendCommand();
    }
};
