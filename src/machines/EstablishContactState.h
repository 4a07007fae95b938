// The contact machine's poll: ";" until any reply ending in ";" arrives, the wait growing while the module is silent.
#pragma once
#include <algorithm>
#include <cstdint>

#include "machines/CommandResponseRetryState.h"
#include "model/Format.h"
#include "model/StringTable.h"

// Never gives up by itself: it polls until the module answers, the port is closed or the
// machine is cancelled. The wait is 100 ms for four polls, then grows by half (integer
// arithmetic) after every four silent polls, up to 5000 ms.
template <class T>
class CEstablishContactState : public CCommandResponseRetryState<T> {
public:
    static constexpr uint32_t FirstDelay = 100;
    static constexpr uint32_t LongestDelay = 5000;
    static constexpr uint32_t PollsPerDelay = 4;

    CEstablishContactState(CStateHost<T>& host, CState<T>* next)
        : CCommandResponseRetryState<T>(host, L"EstablishContactState", next, L";", FirstDelay, 0)
    {
    }

    void Enter() override
    {
        T& machine = this->Machine();
        attempts_ = 0;
        this->SetDelay(FirstDelay);
        machine.SetStatusToPublish(FirmwareStatusNone);
        machine.Report(StringId{IDS_ATTEMPTING_CONTACT}, machine.DeviceName(), machine.Model().Port.Get(),
                       machine.Model().PortSpeed.Get());
        CCommandResponseRetryState<T>::Enter();
    }

    // Every complete reply counts as contact, whatever precedes its ";".
    bool IsAcceptable() override { return true; }

    void OnTimer() override
    {
        if (++attempts_ >= PollsPerDelay) {
            attempts_ = 0;
            this->SetDelay(std::min(LongestDelay, (3 * this->Delay()) / 2));
        }
        this->Start();
    }

    uint32_t Attempts() const { return attempts_; }

private:
    uint32_t attempts_ = 0;
};
