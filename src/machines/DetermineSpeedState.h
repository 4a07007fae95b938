// The loader's poll: ";" up to five times, 100 ms apart, until any reply ending in ";" arrives.
#pragma once
#include <cstdint>

#include "machines/CommandResponseRetryState.h"
#include "model/StatusCodes.h"

// Used before the bootstrap loader is entered and again after the module's reset. It polls at the
// port's current speed and does not change it; any complete reply counts.
template <class T>
class CDetermineSpeedState : public CCommandResponseRetryState<T> {
public:
    static constexpr uint32_t PollInterval = 100;
    static constexpr uint32_t PollLimit = 5;

    CDetermineSpeedState(CStateHost<T>& host, CState<T>* next)
        : CCommandResponseRetryState<T>(host, L"DetermineSpeedState", next, L";", PollInterval,
                                        MSG_NO_RESPONSE_AFTER_RESET)
    {
    }

    // Five polls in all (not the host's ten), then the failure.
    void OnTimer() override
    {
        this->SetRetryCount(this->RetryCount() + 1);
        if (this->RetryCount() < PollLimit)
            this->SendCommand();
        else
            this->Fail(this->FailureCode());
    }
};
