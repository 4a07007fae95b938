// Brings the module back to a block boundary: ";" fill bytes every 100 ms until it rejects with "N".
#pragma once
#include <cstdint>

#include "machines/CommandResponseRetryState.h"
#include "machines/LoadFirmwareState.h"
#include "model/StatusCodes.h"

// Each ";" fills one byte of the module's block buffer; once the buffer holds a whole block the
// module rejects it with "N", and the block state sends the same block again (without its Enter,
// so its retry count and the fill count carry over into the success line). No "N" after 68 fill
// bytes fails with 0xE2000048, without line 274.
template <class T>
class CLoadResyncState : public CCommandResponseRetryState<T> {
public:
    static constexpr uint32_t PollInterval = 100;
    static constexpr uint32_t PollLimit = 68;

    CLoadResyncState(CStateHost<T>& host, const wchar_t* name, CLoadFirmwareState<T>& block)
        : CCommandResponseRetryState<T>(host, name, &block, L";", PollInterval, MSG_NO_RESYNC_RESPONSE),
          block_(block)
    {
    }

    const wchar_t* GetTerminators() override { return L"N"; }

    void Enter() override
    {
        this->Machine().SetFillCount(1);
        CCommandResponseRetryState<T>::Enter();
    }

    void OnTimer() override
    {
        T& machine = this->Machine();
        const uint32_t previous = machine.FillCount();
        machine.SetFillCount(previous + 1);
        if (previous < PollLimit)
            this->SendCommand();
        else
            this->Fail(this->FailureCode());
    }

    // The "N": back to the block state, which sends its block again at once.
    void Next() override
    {
        this->Host().MakeCurrent(block_);
        block_.SendCommand();
    }

private:
    CLoadFirmwareState<T>& block_;
};
